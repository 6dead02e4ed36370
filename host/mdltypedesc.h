/* Type descriptions generated from the C++ records, so that the record is
** the one source of truth of a published variable's layout. Beside a record
** its header lists the fields:
**
**     struct Settings { char text[16]; double gap; Inner inner; int32_t v[4]; };
**     #define SETTINGS_FIELDS(F) F(text) F(gap) F(inner) F(v)
**
** and a small generator names the records and describes them as the
** resource compiler's source:
**
**     #include "host/mdltypedesc.h"
**     #include "settings.h"
**     ZM_TYPEDESC_NAME(Inner, "inner")
**     ZM_TYPEDESC_NAME(Settings, "userInterfaceData")
**     constexpr void describe(typedesc::Writer& w) {
**         ZM_TYPEDESC(w, Inner, INNER_FIELDS);
**         ZM_TYPEDESC(w, Settings, SETTINGS_FIELDS);
**     }
**     ZM_TYPEDESC_MAIN(describe)
**
** Built for the build machine (the same ABI as the add-in) it is a program:
** zm_add_mdlapp(NAME ... TYPES generator.cpp) builds and runs it and
** compiles the output into NAME.ma. Compiled for another target with
** ZM_TYPEDESC_EMBED defined, the object holds the text in its section
** .zmtypes, laid out as that target lays out the records, and the build
** copies it out without running anything built for the target. Kinds follow the member types: integers
** by size and sign, float, double, bool (uint8), enums (their underlying
** type), pointers, char and MSWChar arrays (texts; a two-dimensional one is
** an array of texts, each of the inner size), arrays of anything else
** (count), and records named with ZM_TYPEDESC_NAME (struct; a union is a
** record whose fields all start at offset 0). */
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

#include "host/mdltypes.h"

namespace typedesc {

template <class T>
struct TypeName {
    static constexpr const char* value = nullptr;
};

template <class>
inline constexpr bool dependentFalse = false;

/* VALUE in decimal (std::to_string is not constexpr). */
constexpr std::string decimal(size_t value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + value % 10));
        value /= 10;
    } while (value);
    return digits;
}

struct Field {
    const char* kind = "";
    size_t size = 0;
    size_t count = 1;
    const char* structName = nullptr;
};

template <class M>
constexpr Field fieldOf() {
    if constexpr (std::is_array_v<M>) {
        using E = std::remove_extent_t<M>;
        constexpr size_t n = std::extent_v<M>;
        if constexpr (std::is_same_v<E, char>) {
            return {"chars", 1, n, nullptr};
        } else if constexpr (std::is_same_v<E, MSWChar>) {
            return {"wchars", 2, n, nullptr};
        } else if constexpr (std::is_array_v<E> && std::is_same_v<std::remove_extent_t<E>, char>) {
            return {"chars", sizeof(E), n, nullptr};
        } else if constexpr (std::is_array_v<E> && std::is_same_v<std::remove_extent_t<E>, MSWChar>) {
            return {"wchars", sizeof(E), n, nullptr};
        } else {
            static_assert(!std::is_array_v<E>, "arrays of arrays are described only for texts");
            Field f = fieldOf<E>();
            f.count = n;
            return f;
        }
    } else if constexpr (std::is_pointer_v<M>) {
        return {"pointer", sizeof(void*), 1, nullptr};
    } else if constexpr (std::is_enum_v<M>) {
        return fieldOf<std::underlying_type_t<M>>();
    } else if constexpr (std::is_same_v<M, bool>) {
        return {"uint8", 1, 1, nullptr};
    } else if constexpr (std::is_integral_v<M>) {
        constexpr bool s = std::is_signed_v<M>;
        if constexpr (sizeof(M) == 1) return {s ? "int8" : "uint8", 1, 1, nullptr};
        else if constexpr (sizeof(M) == 2) return {s ? "int16" : "uint16", 2, 1, nullptr};
        else if constexpr (sizeof(M) == 4) return {s ? "int32" : "uint32", 4, 1, nullptr};
        else return {"int64", 8, 1, nullptr};
    } else if constexpr (std::is_same_v<M, float>) {
        return {"float", 4, 1, nullptr};
    } else if constexpr (std::is_same_v<M, double>) {
        return {"double", 8, 1, nullptr};
    } else if constexpr (std::is_class_v<M> || std::is_union_v<M>) {
        static_assert(TypeName<M>::value != nullptr, "name the nested record with ZM_TYPEDESC_NAME");
        return {"struct", sizeof(M), 1, TypeName<M>::value};
    } else {
        static_assert(dependentFalse<M>, "this member type cannot be described");
        return {};
    }
}

/* Collects the descriptions as resource compiler source. */
class Writer {
public:
    template <class T>
    constexpr void begin() {
        static_assert(std::is_standard_layout_v<T>, "described records have a standard layout");
        static_assert(TypeName<T>::value != nullptr, "name the record with ZM_TYPEDESC_NAME");
        text_ += "\n[[typedesc]]\nname = \"" + std::string(TypeName<T>::value) + "\"\nsize = " +
                 decimal(sizeof(T)) + "\nfields = [\n";
    }
    template <class M>
    constexpr void field(const char* name, size_t offset) {
        constexpr Field f = fieldOf<M>();
        text_ += "  { name = \"" + std::string(name) + "\", kind = \"" + f.kind + "\", offset = " +
                 decimal(offset) + ", size = " + decimal(f.size);
        if (f.count != 1) text_ += ", count = " + decimal(f.count);
        if (f.structName) text_ += ", struct = \"" + std::string(f.structName) + "\"";
        text_ += " },\n";
    }
    constexpr void end() { text_ += "]\n"; }
    /* The whole resource compiler source. */
    constexpr std::string fileText() const {
        return "# Generated from the C++ records at build time; do not edit.\n" + text_;
    }
    /* Write the source to argv[1] (or stdout); 0, or 1 when it cannot be written. */
    int finish(int argc, char** argv) {
        std::string all = fileText();
        FILE* out = argc > 1 ? std::fopen(argv[1], "w") : stdout;
        if (!out) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
            return 1;
        }
        bool ok = std::fwrite(all.data(), 1, all.size(), out) == all.size();
        if (out != stdout) ok = std::fclose(out) == 0 && ok;
        if (!ok) std::fprintf(stderr, "%s: cannot write the type descriptions\n", argv[0]);
        return ok ? 0 : 1;
    }
    constexpr const std::string& text() const { return text_; }

private:
    std::string text_;
};

}  // namespace typedesc

/* Name record T as NAME in the descriptions (at namespace scope). */
#define ZM_TYPEDESC_NAME(T, NAME)                     \
    namespace typedesc {                                 \
    template <>                                       \
    struct TypeName<T> {                              \
        static constexpr const char* value = NAME;    \
    };                                                \
    }

#define ZM_TYPEDESC_FIELD_(f) \
    zmTypeDescWriter_.template field<decltype(ZmTypeDescRecord_::f)>(#f, offsetof(ZmTypeDescRecord_, f));

/* Describe record T with the field list macro FIELDS (FIELDS(F) expands F(name) per field). */
#define ZM_TYPEDESC(WRITER, T, FIELDS)              \
    do {                                            \
        using ZmTypeDescRecord_ = T;                \
        auto& zmTypeDescWriter_ = (WRITER);         \
        zmTypeDescWriter_.template begin<T>();      \
        FIELDS(ZM_TYPEDESC_FIELD_)                  \
        zmTypeDescWriter_.end();                    \
    } while (0)

/* The generator's entry: DESCRIBE(typedesc::Writer&) is constexpr. */
#if defined(ZM_TYPEDESC_EMBED)
#define ZM_TYPEDESC_MAIN(DESCRIBE)                                                        \
    namespace typedesc {                                                                  \
    /* Newlines fill the text to a multiple of 64 bytes, so that the section   */ \
    /* needs no padding of zeros.                                              */ \
    constexpr std::string describedText_() {                                              \
        Writer w;                                                                         \
        DESCRIBE(w);                                                                      \
        std::string text = w.fileText();                                                  \
        text.append((64 - text.size() % 64) % 64, '\n');                                 \
        return text;                                                                      \
    }                                                                                     \
    struct Described_ {                                                                   \
        char bytes[describedText_().size()];                                              \
    };                                                                                    \
    constexpr Described_ described_() {                                                   \
        Described_ d{};                                                                   \
        std::string text = describedText_();                                              \
        for (size_t i = 0; i < sizeof d.bytes; ++i) d.bytes[i] = text[i];                 \
        return d;                                                                         \
    }                                                                                     \
    }                                                                                     \
    extern "C" __attribute__((section(".zmtypes"), used)) const typedesc::Described_ zmTypeDescriptions = \
        typedesc::described_();
#else
#define ZM_TYPEDESC_MAIN(DESCRIBE)     \
    int main(int argc, char** argv) {  \
        typedesc::Writer w;            \
        DESCRIBE(w);                   \
        return w.finish(argc, argv);   \
    }
#endif
