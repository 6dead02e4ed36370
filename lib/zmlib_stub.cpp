/* Keeps the library's object set non-empty while its modules are being built. */
namespace zmlib { int objectsPresent = 1; }
