/* The writers' operations that have nothing to do on their device: one empty
** function, exported under each of their names, so that a caller's table of
** writer functions finds the same address behind every one of them. */
#include "lib/output/ascii.h"
#include "lib/output/hpgl.h"
#include "lib/output/pcl.h"

extern "C" void zmoutput_noAction(void) {}

/* Every alias takes the empty body whatever its arguments: the caller cleans
** up its own arguments, so the callee may ignore them. */
#pragma GCC diagnostic ignored "-Wattribute-alias"
#define ZMOUTPUT_NO_ACTION __attribute__((alias("zmoutput_noAction")))

extern "C" ZMLIB_API void zmlibAscii_newPage(void) ZMOUTPUT_NO_ACTION;
extern "C" ZMLIB_API void zmlibHpgl_drawLine(float, float, float, float, float) ZMOUTPUT_NO_ACTION;
extern "C" ZMLIB_API void zmlibHpgl_drawArc(double, double, double, double, double, double) ZMOUTPUT_NO_ACTION;
extern "C" ZMLIB_API void zmlibHpgl_fillCirc(double, double, double, double, double, double) ZMOUTPUT_NO_ACTION;
extern "C" ZMLIB_API void zmlibPcl_drawLine(float, float, float, float, float) ZMOUTPUT_NO_ACTION;
extern "C" ZMLIB_API void zmlibPcl_drawArc(double, double, double, double, double, double) ZMOUTPUT_NO_ACTION;
extern "C" ZMLIB_API void zmlibPcl_fillCirc(double, double, double, double, double, double) ZMOUTPUT_NO_ACTION;
