#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/sim/design/design.h"
#include "support/host_fixture.h"

namespace {

void expectPoint(const Dpoint3d& p, double x, double y, double z) {
    EXPECT_NEAR(p.x, x, 1e-9);
    EXPECT_NEAR(p.y, y, 1e-9);
    EXPECT_NEAR(p.z, z, 1e-9);
}

using GeomTest = HostTest;

}  // namespace

TEST_F(GeomTest, ConstructorsMapLocalPointsThroughTheCurrentFrame) {
    mdlCurrTrans_begin();
    Dpoint3d origin{100, 50, 0};
    mdlCurrTrans_translateOrigin(&origin);
    mdlCurrTrans_rotateByAngles(0, 0, M_PI / 2);
    MSElement el;
    const Dpoint3d local[2] = {{0, 0, 0}, {10, 0, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, local), 0);
    Dpoint3d p[2];
    int n;
    ASSERT_EQ(mdlLinear_extract(p, &n, &el, nullptr), 0);
    expectPoint(p[0], 100, 50, 0);
    expectPoint(p[1], 100, 60, 0);

    /* A nested frame composes with the outer one and goes away with end. */
    mdlCurrTrans_begin();
    mdlCurrTrans_scale(2, 2, 2);
    ASSERT_EQ(mdlArc_create(&el, nullptr, &local[1], 3, 3, nullptr, 0, M_PI / 2), 0);
    Dpoint3d ends[2];
    ASSERT_EQ(mdlLinear_extract(ends, &n, &el, nullptr), 0);
    expectPoint(ends[0], 100, 50 + 20 + 6, 0);   /* centre (100,70), radius 6, along the frame's x */
    expectPoint(ends[1], 94, 70, 0);
    Dpoint3d textOrigin{1, 0, 0};
    TextSizeParam size{1, {2, 3}, 1};
    ASSERT_EQ(mdlText_create(&el, nullptr, "A", &textOrigin, nullptr, &size, nullptr, nullptr), 0);
    std::string line = sim::design::describeElement(1, el.bytes);
    EXPECT_NE(line.find("origin (100,52,0) angle 90 size 4x6"), std::string::npos) << line;
    mdlCurrTrans_end();

    EXPECT_EQ(mdlCurrTrans_depth(), 1);
    Dpoint3d w{100, 60, 0}, l;
    mdlCurrTrans_invtransPointArray(&l, &w, 1);
    expectPoint(l, 10, 0, 0);
    /* Translating to a world point keeps the rotation. */
    Dpoint3d target{0, 0, 0};
    mdlCurrTrans_translateOriginWorld(&target);
    mdlCurrTrans_transformPointArray(&l, &local[1], 1);
    expectPoint(l, 0, 10, 0);
    mdlCurrTrans_end();
    EXPECT_EQ(mdlCurrTrans_depth(), 0);
    EXPECT_TRUE(sim::geom::currentIsIdentity());
    mdlCurrTrans_end();   /* an extra end is harmless */
    ASSERT_EQ(mdlLine_create(&el, nullptr, local), 0);
    mdlLinear_extract(p, &n, &el, nullptr);
    expectPoint(p[1], 10, 0, 0);
}

namespace {

/* A point taken to the world and back through the current frame comes home. */
void expectRoundTrip(const char* step) {
    SCOPED_TRACE(step);
    const Dpoint3d local{3, -7, 2};
    Dpoint3d world, back;
    mdlCurrTrans_transformPointArray(&world, &local, 1);
    mdlCurrTrans_invtransPointArray(&back, &world, 1);
    expectPoint(back, local.x, local.y, local.z);
}

/* TO_LOCAL * TO_WORLD is the identity. */
void expectInverse(const Transform* toWorld, const Transform* toLocal, const char* step) {
    SCOPED_TRACE(step);
    Transform product;
    mdlTMatrix_multiply(&product, toLocal, toWorld);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(product.form3d[i][j], i == j ? 1.0 : 0.0, 1e-9) << i << "," << j;
}

}  // namespace

TEST_F(GeomTest, InverseFollowsEveryKindOfChangeWithAndWithoutSharedAddresses) {
    const Dpoint3d origin{100, 50, 5}, world{-20, 30, 0};
    const RotMatrix tilt{{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
    for (bool shared : {false, true}) {
        SCOPED_TRACE(shared ? "address handed out" : "no address handed out");
        mdlCurrTrans_begin();
        Transform *toWorld = nullptr, *toLocal = nullptr;
        if (shared) mdlCurrTrans_getAddresses(&toWorld, &toLocal);
        auto check = [&](const char* step) {
            if (shared) expectInverse(toWorld, toLocal, step);
            expectRoundTrip(step);
        };
        check("fresh frame");
        mdlCurrTrans_translateOrigin(&origin);
        check("translate");
        mdlCurrTrans_rotateByAngles(0.3, 0, 0.7);
        check("rotate by angles");
        mdlCurrTrans_rotateByRMatrix(&tilt);
        check("rotate by matrix");
        mdlCurrTrans_scale(2, 3, 4);
        check("scale");
        mdlCurrTrans_translateOriginWorld(&world);
        check("translate to a world point");
        mdlCurrTrans_identity();
        check("identity");
        mdlCurrTrans_scale(5, 5, 5);
        check("scale after identity");
        mdlCurrTrans_end();
    }
    EXPECT_TRUE(sim::geom::currentIsIdentity());
}

TEST_F(GeomTest, SharedInverseOfAnOuterFrameStaysValidWhileInnerFramesChange) {
    const Dpoint3d origin{10, 20, 0};
    mdlCurrTrans_begin();
    mdlCurrTrans_translateOrigin(&origin);
    Transform *outerWorld = nullptr, *outerLocal = nullptr;
    mdlCurrTrans_getAddresses(&outerWorld, &outerLocal);
    const Transform savedLocal = *outerLocal;
    /* Inner frames, deeper than any before, change and go away. */
    for (int depth = 0; depth < 40; ++depth) {
        mdlCurrTrans_begin();
        mdlCurrTrans_rotateByAngles(0, 0, 0.1);
        mdlCurrTrans_scale(1.5, 1.5, 1.5);
    }
    Transform *innerWorld = nullptr, *innerLocal = nullptr;
    mdlCurrTrans_getAddresses(&innerWorld, &innerLocal);
    expectInverse(innerWorld, innerLocal, "innermost frame");
    for (int depth = 0; depth < 40; ++depth) mdlCurrTrans_end();
    EXPECT_EQ(0, std::memcmp(&savedLocal, outerLocal, sizeof savedLocal));
    expectInverse(outerWorld, outerLocal, "outer frame after the inner ones ended");
    /* A stale inverse copied into a new frame is recomputed there. */
    mdlCurrTrans_begin();
    mdlCurrTrans_scale(2, 2, 2);
    mdlCurrTrans_begin();
    expectRoundTrip("frame begun over a changed one");
    mdlCurrTrans_end();
    mdlCurrTrans_end();
    mdlCurrTrans_end();
}

TEST_F(GeomTest, DescriptorTransformScalesAboutTheFrameAndRangesFollow) {
    MSElement el;
    const Dpoint3d pts[2] = {{1, 1, 0}, {3, 2, 0}};
    mdlLine_create(&el, nullptr, pts);
    MSElementDescr* d = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&d, nullptr, &el), 0);
    Dpoint3d c{0, 0, 0};
    mdlEllipse_create(&el, nullptr, &c, 1, 1, nullptr, 0);
    mdlElmdscr_appendElement(d, &el);
    Dpoint3d low, high;
    ASSERT_EQ(mdlElmdscr_computeRange(&low, &high, d, nullptr), 0);
    expectPoint(low, -1, -1, 0);
    expectPoint(high, 3, 2, 0);
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    mdlCurrTrans_scale(10, 10, 10);
    Dpoint3d to{5, 5, 0};
    mdlCurrTrans_translateOriginWorld(&to);
    Transform* t = nullptr;
    mdlCurrTrans_getAddresses(&t, nullptr);
    mdlElmdscr_transform(d, t);
    mdlCurrTrans_end();
    ASSERT_EQ(mdlElmdscr_computeRange(&low, &high, d, nullptr), 0);
    expectPoint(low, -5, -5, 0);
    expectPoint(high, 35, 25, 0);
    mdlElmdscr_freeAll(&d);
    EXPECT_EQ(d, nullptr);
}

TEST(Geom, VectorsMatricesAndIntersections) {
    Dvector3d a{{0, 0, 0}, {1, 1, 0}}, b{{4, 0, 7}, {4, 1, 7}};
    Dpoint3d x;
    ASSERT_EQ(mdlVec_intersect(&x, &a, &b), 0);
    expectPoint(x, 4, 4, 0);
    Dvector3d parallel{{0, 1, 0}, {1, 2, 0}};
    EXPECT_NE(mdlVec_intersect(&x, &a, &parallel), 0);
    Dvector3d point{{2, 2, 0}, {2, 2, 0}};
    EXPECT_NE(mdlVec_intersect(&x, &a, &point), 0);

    Dpoint3d p{1.4, 2.6, -0.4}, q{1.0, 3.0, 0.0}, r{1.6, 3.0, 0.0};
    EXPECT_TRUE(mdlVec_pointEqualUOR(&p, &q));
    EXPECT_FALSE(mdlVec_pointEqualUOR(&r, &q));

    RotMatrix m, inv, prod;
    mdlRMatrix_rotate(&m, nullptr, 0.3, -0.2, 1.1);
    ASSERT_EQ(mdlRMatrix_getInverse(&inv, &m), 0);
    mdlRMatrix_multiply(&prod, &m, &inv);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(prod.form3d[i][j], i == j ? 1.0 : 0.0, 1e-12);
    RotMatrix singular{};
    EXPECT_NE(mdlRMatrix_getInverse(&inv, &singular), 0);
    Dpoint3d v{1, 2, 3};
    mdlRMatrix_rotatePoint(&v, &m);
    mdlRMatrix_unrotatePoint(&v, &m);
    expectPoint(v, 1, 2, 3);
    Dpoint3d low{0, 0, 0}, high{1, 2, 0};
    RotMatrix quarter;
    mdlRMatrix_fromAngle(&quarter, M_PI / 2);
    mdlRMatrix_multiplyRange(&low, &high, &quarter);
    expectPoint(low, -2, 0, 0);
    expectPoint(high, 0, 1, 0);

    Transform t, ti, tt;
    mdlTMatrix_rotateByAngles(&t, nullptr, 0, 0, 0.7);
    mdlTMatrix_translate(&t, &t, 3, -4, 5);
    ASSERT_EQ(mdlTMatrix_getInverse(&ti, &t), 0);
    mdlTMatrix_multiply(&tt, &ti, &t);
    Dpoint3d s{7, 8, 9};
    mdlTMatrix_transformPoint(&s, &tt);
    expectPoint(s, 7, 8, 9);
    Dpoint3d u;
    EXPECT_DOUBLE_EQ(mdlVec_computeNormal(&u, &high, &low), std::sqrt(5.0));
    EXPECT_NEAR(mdlVec_magnitude(&u), 1.0, 1e-15);
}

TEST_F(GeomTest, ConstantsAndConversions) {
    EXPECT_DOUBLE_EQ(*fc_piover6P * 6, *fc_piP);
    EXPECT_DOUBLE_EQ(*fc_2piP, 2 * M_PI);
    EXPECT_EQ(*fc_rmaxui4P, 4294967295.0);
    EXPECT_EQ(*fc_rmaxi4P, 2147483647.0);
    EXPECT_GT(*fc_epsilonP, 0.0);
    ASSERT_NE(dgnBufP, nullptr);
    ASSERT_NE(mgds_modesP, nullptr);

    double d = -1234.5e-7, f, back;
    mdlCnv_doubleToFileFormat(&f, &d);
    unsigned char bytes[8];
    std::memcpy(bytes, &f, 8);
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    EXPECT_EQ(bytes[0], bits & 0xFF);   /* little-endian in the file */
    mdlCnv_doubleFromFileFormat(&back, &f);
    EXPECT_EQ(back, d);
    mdlCnv_doubleToFileFormat(&f, &f);   /* in place */

    MSWChar wide[8];
    EXPECT_EQ(mdlCnv_convertMultibyteToUnicode("bl\xc3\xa5 \xf0\x9f\x93\x90", -1, wide, 8), 6);   /* a surrogate pair counts two */
    EXPECT_EQ(wide[2], u'\u00e5');
    char mb[16];
    EXPECT_EQ(mdlCnv_convertUnicodeToMultibyte(wide, -1, mb, sizeof mb), 9);
    EXPECT_STREQ(mb, "bl\xc3\xa5 \xf0\x9f\x93\x90");
    /* Cut at a character boundary, never in the middle of one. */
    EXPECT_EQ(mdlCnv_convertMultibyteToUnicode("ab\xf0\x9f\x93\x90", -1, wide, 4), 2);
    EXPECT_EQ(mdlCnv_convertUnicodeToMultibyte(u"a\u00e5", -1, mb, 3), 1);
    EXPECT_STREQ(mb, "a");
    EXPECT_EQ(mdlCnv_convertMultibyteToUnicode("\xff", -1, wide, 4), 1);
    EXPECT_EQ(wide[0], 0xFFFD);
    EXPECT_EQ(mdlCnv_convertMultibyteToUnicode(nullptr, -1, wide, 4), -1);

    double uor = 7;
    EXPECT_NE(mdlCnv_masterToUOR(&uor, 1.0, nullptr), 0);   /* no file: no units */
    EXPECT_EQ(uor, 7);
}

/* Rotations about z alone are bit for bit the product of the three axis
** rotations (signs of zeros included), as every stored element depends on them. */
TEST(Geom, RotationAboutZMatchesTheFullProductBitForBit) {
    const double angles[] = {0.0, -0.0, M_PI / 6, -M_PI / 6, M_PI / 2, M_PI, -M_PI, 2 * M_PI, 1e-300, -1e-300, 123.456};
    for (double a : angles) {
        SCOPED_TRACE(a);
        const double c = std::cos(a), s = std::sin(a), c0 = std::cos(0.0), s0 = std::sin(0.0);
        RotMatrix rx{{{1, 0, 0}, {0, c0, -s0}, {0, s0, c0}}};
        RotMatrix ry{{{c0, 0, s0}, {0, 1, 0}, {-s0, 0, c0}}};
        RotMatrix rz{{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
        RotMatrix t, expected, got;
        mdlRMatrix_multiply(&t, &ry, &rx);
        mdlRMatrix_multiply(&expected, &rz, &t);
        mdlRMatrix_fromAngle(&got, a);
        EXPECT_EQ(0, std::memcmp(&expected, &got, sizeof got));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) EXPECT_EQ(std::signbit(expected.form3d[i][j]), std::signbit(got.form3d[i][j]));
    }
    RotMatrix nan;
    mdlRMatrix_fromAngle(&nan, NAN);
    EXPECT_TRUE(std::isnan(nan.form3d[0][0]));
}
