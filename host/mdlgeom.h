/* Geometry services of the platform: the current-transform stack, rotation
** and transformation matrices, vectors, unit and number conversions, the
** host's numeric constants, display modes and the shared element buffer. */
#pragma once

#include "host/mdltypes.h"

union MSElement;

/* ---- Constants (read through the pointers) -------------------------------- */
HOST_API const double* fc_epsilonP;     /* tolerance of equality tests: 1.0e-5 */
HOST_API const double* fc_piover6P;
HOST_API const double* fc_piover3P;
HOST_API const double* fc_piover2P;
HOST_API const double* fc_piP;
HOST_API const double* fc_2piP;
HOST_API const double* fc_piover180P;
HOST_API const double* fc_rmaxui4P;     /* 4294967295.0, the largest unsigned 32-bit value */
HOST_API const double* fc_rmaxi4P;      /* 2147483647.0, the largest signed 32-bit value */

/* Display modes of the host; the first byte tells whether the active design
** file is three-dimensional. */
struct MgdsModes {
    uint8_t is3d;           /* non-zero: the active design file is 3D */
    uint8_t reserved[15];
};
HOST_API MgdsModes* mgds_modesP;

/* The shared element buffer: every constructor that is given it builds there. */
HOST_API union MSElement* dgnBufP;

/* ---- Current transform -------------------------------------------------------
** Element constructors and descriptor display map their points from the
** current frame to world coordinates. begin pushes a copy of the current
** frame; end pops it. Operations compose in the current frame. */
HOST_API void mdlCurrTrans_begin(void);
HOST_API void mdlCurrTrans_end(void);
HOST_API void mdlCurrTrans_identity(void);
/* Move the frame's origin to POINT, given in current (local) coordinates. */
HOST_API void mdlCurrTrans_translateOrigin(const Dpoint3d* point);
/* Move the frame's origin to POINT, given in world coordinates. */
HOST_API void mdlCurrTrans_translateOriginWorld(const Dpoint3d* point);
/* Rotate the frame about its x, then y, then z axis (radians). */
HOST_API void mdlCurrTrans_rotateByAngles(double xAngle, double yAngle, double zAngle);
HOST_API void mdlCurrTrans_rotateByRMatrix(const RotMatrix* rotation);
/* Rotate the frame into the orientation of VIEW (1..8); top views are identity. */
HOST_API void mdlCurrTrans_rotateByView(int view);
HOST_API void mdlCurrTrans_scale(double xScale, double yScale, double zScale);
/* Local to world: OUT may equal IN. */
HOST_API void mdlCurrTrans_transformPointArray(Dpoint3d* out, const Dpoint3d* in, int count);
/* World to local. */
HOST_API void mdlCurrTrans_invtransPointArray(Dpoint3d* out, const Dpoint3d* in, int count);
/* The frame's transforms (local to world, world to local); valid until the
** next change of the stack. Either may be null. */
HOST_API void mdlCurrTrans_getAddresses(Transform** toWorld, Transform** toLocal);
/* Depth of the stack (0 when no frame is open). */
HOST_API int mdlCurrTrans_depth(void);

/* ---- Rotation matrices (form3d[row][column], points are column vectors) ---- */
HOST_API void mdlRMatrix_getIdentity(RotMatrix* out);
HOST_API void mdlRMatrix_fromAngle(RotMatrix* out, double zAngle);
/* Rotation about x, then y, then z, applied to IN (null: identity). */
HOST_API void mdlRMatrix_rotate(RotMatrix* out, const RotMatrix* in, double xAngle, double yAngle, double zAngle);
/* OUT = A * B. */
HOST_API void mdlRMatrix_multiply(RotMatrix* out, const RotMatrix* a, const RotMatrix* b);
/* 0 on success, HOST_ERROR when IN is singular (OUT untouched). */
HOST_API StatusInt mdlRMatrix_getInverse(RotMatrix* out, const RotMatrix* in);
HOST_API void mdlRMatrix_fromTMatrix(RotMatrix* out, const Transform* in);
/* Rotate points into the matrix's frame (p := R p) or back (p := R^-1 p). */
HOST_API void mdlRMatrix_rotatePoint(Dpoint3d* point, const RotMatrix* rotation);
HOST_API void mdlRMatrix_unrotatePoint(Dpoint3d* point, const RotMatrix* rotation);
HOST_API void mdlRMatrix_rotatePointArray(Dpoint3d* points, const RotMatrix* rotation, int count);
HOST_API void mdlRMatrix_unrotatePointArray(Dpoint3d* points, const RotMatrix* rotation, int count);
/* Rotate the box LOW..HIGH and replace it by the range of its rotated corners. */
HOST_API void mdlRMatrix_multiplyRange(Dpoint3d* low, Dpoint3d* high, const RotMatrix* rotation);

/* ---- Transformation matrices ---------------------------------------------- */
HOST_API void mdlTMatrix_getIdentity(Transform* out);
HOST_API void mdlTMatrix_fromRMatrix(Transform* out, const RotMatrix* rotation);
/* OUT = A * B (apply B first). */
HOST_API void mdlTMatrix_multiply(Transform* out, const Transform* a, const Transform* b);
/* OUT = IN followed by a rotation about x, y, z (IN null: identity). */
HOST_API void mdlTMatrix_rotateByAngles(Transform* out, const Transform* in, double xAngle, double yAngle, double zAngle);
HOST_API void mdlTMatrix_translate(Transform* out, const Transform* in, double x, double y, double z);
HOST_API void mdlTMatrix_scale(Transform* out, const Transform* in, double x, double y, double z);
HOST_API void mdlTMatrix_setTranslation(Transform* transform, const Dpoint3d* translation);
HOST_API void mdlTMatrix_getTranslation(Dpoint3d* translation, const Transform* transform);
HOST_API StatusInt mdlTMatrix_getInverse(Transform* out, const Transform* in);
HOST_API void mdlTMatrix_transformPoint(Dpoint3d* point, const Transform* transform);
HOST_API void mdlTMatrix_transformPointArray(Dpoint3d* points, const Transform* transform, int count);

/* ---- Vectors --------------------------------------------------------------- */
HOST_API void mdlVec_addPoint(Dpoint3d* out, const Dpoint3d* a, const Dpoint3d* b);
HOST_API void mdlVec_subtractPoint(Dpoint3d* out, const Dpoint3d* a, const Dpoint3d* b);
HOST_API void mdlVec_scale(Dpoint3d* out, const Dpoint3d* in, double scale);
HOST_API double mdlVec_distance(const Dpoint3d* a, const Dpoint3d* b);
HOST_API double mdlVec_distanceSquared(const Dpoint3d* a, const Dpoint3d* b);
HOST_API double mdlVec_magnitude(const Dpoint3d* vector);
HOST_API double mdlVec_dotProduct(const Dpoint3d* a, const Dpoint3d* b);
HOST_API void mdlVec_crossProduct(Dpoint3d* out, const Dpoint3d* a, const Dpoint3d* b);
/* Unit vector of OUT = IN / |IN|; answers the magnitude (0: OUT zeroed). */
HOST_API double mdlVec_normalize(Dpoint3d* out, const Dpoint3d* in);
/* Unit vector from START to END into OUT; answers the distance. */
HOST_API double mdlVec_computeNormal(Dpoint3d* out, const Dpoint3d* end, const Dpoint3d* start);
/* Intersection in the x-y plane of the infinite lines through A and B (each
** from org to end); z is taken from A. 0 on success, HOST_ERROR when the
** lines are parallel or one has no length (OUT untouched). */
HOST_API StatusInt mdlVec_intersect(Dpoint3d* out, const Dvector3d* a, const Dvector3d* b);
/* True when both points round to the same units of resolution. */
HOST_API BoolInt mdlVec_pointEqualUOR(const Dpoint3d* a, const Dpoint3d* b);
HOST_API BoolInt mdlVec_pointEqual(const Dpoint3d* a, const Dpoint3d* b);

/* ---- Conversions ------------------------------------------------------------ */
/* Master units <-> units of resolution of MODEL (null: the active model).
** 0 on success, HOST_ERROR when no design file is open (OUT untouched). */
HOST_API StatusInt mdlCnv_masterToUOR(double* uor, double master, DgnModelRefP model);
HOST_API StatusInt mdlCnv_UORToMaster(double* master, double uor, DgnModelRefP model);
/* Sub-units per master unit of MODEL (null: the active model); 0 when no
** design file is open. */
HOST_API double mdlModelRef_getSubPerMaster(DgnModelRefP model);
/* A double to and from its design-file form (8 bytes, IEEE, little-endian).
** OUT may equal IN. */
HOST_API void mdlCnv_doubleToFileFormat(double* out, const double* in);
HOST_API void mdlCnv_doubleFromFileFormat(double* out, const double* in);
/* Multibyte text (UTF-8 on this host) to UTF-16. LENGTH is the input length
** in bytes, -1 for NUL-terminated. OUT holds OUTSIZE characters including the
** NUL; longer texts are cut at a character boundary. Answers the number of
** characters written without the NUL, -1 on a null argument. */
HOST_API int mdlCnv_convertMultibyteToUnicode(const char* text, int length, MSWChar* out, int outSize);
/* UTF-16 to multibyte; OUTSIZE in bytes. Same rules. */
HOST_API int mdlCnv_convertUnicodeToMultibyte(const MSWChar* text, int length, char* out, int outSize);
