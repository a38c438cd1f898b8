// camera_test.cpp: the camera and projection loaders and the factories of Matrix4x4:
// what they map where, their refusals, the factories' bits, and agreement with glm's
// lookAtRH, perspectiveRH_NO, orthoRH_NO and frustumRH_NO over random cameras.
#include "matrix4x4.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "vecmath_test_util.h"

#if VECMATH_TEST_HAVE_GLM
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/mat4x4.hpp>
#endif

namespace {

using namespace vecmath_test;

// The Cartesian image of p under a projection: its clip coordinates divided by w.
Vector3D Project(const Matrix4x4& m, const Vector3D& p)
{
    return m.Transform(Vector4D(p)).cartesianized();
}

bool IsIdentity(const Matrix4x4& m)
{
    return SameBits(m, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
}

#if VECMATH_TEST_HAVE_GLM
// The largest difference between element (r, c) of m and glm's g[c][r], relative to the
// largest element of m (the scale the matrix works at).
double LargestDifference(const Matrix4x4& m, const glm::dmat4& g)
{
    double scale = 0, largest = 0;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            scale = std::fmax(scale, std::fabs(m.m_d[r][c]));
            largest = std::fmax(largest, std::fabs(m.m_d[r][c] - g[c][r]));
        }
    return largest / scale;
}
#endif

} // namespace

TEST(Matrix4x4Camera, LookAtPutsTheEyeAtTheOriginLookingDownMinusZ)
{
    const Vector3D eye(3, 4, 5), center(-1, 2, -7), up(0, 1, 0);
    Matrix4x4 m = Garbage();
    ASSERT_TRUE(m.loadLookAt(eye, center, up));
    EXPECT_TRUE(m.Transform(eye).cmp(Vector3D(0, 0, 0), 1e-13));
    EXPECT_TRUE(m.Transform(center).cmp(Vector3D(0, 0, -(center - eye).Norm()), 1e-13));
    // Up stays up: a point above the eye has a positive y and no x.
    const Vector3D above = m.Transform(eye + Vector3D(0, 1, 0));
    EXPECT_GT(above.m_y, 0);
    EXPECT_NEAR(above.m_x, 0, 1e-15);
    // A rotation and a translation: rows 0 to 2 of the linear part are orthonormal.
    EXPECT_NEAR(m.det(), 1.0, 1e-15);
    EXPECT_TRUE(SameBits(Vector3D(m.m_d[3][0], m.m_d[3][1], m.m_d[3][2]), Vector3D(0, 0, 0)));
    EXPECT_EQ(m.m_d[3][3], 1.0);
}

TEST(Matrix4x4Camera, ProjectionsMapTheirViewVolumeOntoTheClipCube)
{
    Matrix4x4 m;
    ASSERT_TRUE(m.loadOrtho(-2, 6, -1, 3, 0.5, 10));
    EXPECT_TRUE(Project(m, Vector3D(-2, -1, -0.5)).cmp(Vector3D(-1, -1, -1), 1e-15));
    EXPECT_TRUE(Project(m, Vector3D(6, 3, -10)).cmp(Vector3D(1, 1, 1), 1e-15));

    ASSERT_TRUE(m.loadFrustum(-2, 6, -1, 3, 0.5, 10));
    EXPECT_TRUE(Project(m, Vector3D(-2, -1, -0.5)).cmp(Vector3D(-1, -1, -1), 1e-14));
    EXPECT_TRUE(Project(m, Vector3D(6 * 20, 3 * 20, -10)).cmp(Vector3D(1, 1, 1), 1e-14));

    // 90 degrees: the near plane's top edge is as far above the axis as the plane is away.
    ASSERT_TRUE(m.loadPerspective(kPi / 2, 2.0, 1.0, 100.0));
    EXPECT_TRUE(Project(m, Vector3D(2, 1, -1)).cmp(Vector3D(1, 1, -1), 1e-14));
    EXPECT_TRUE(Project(m, Vector3D(-200, -100, -100)).cmp(Vector3D(-1, -1, 1), 1e-13));
    EXPECT_EQ(m.m_d[3][2], -1.0);
    EXPECT_EQ(m.m_d[3][3], 0.0);
}

TEST(Matrix4x4Camera, InputThatDefinesNoCameraLoadsTheIdentityAndReturnsFalse)
{
    const Vector3D eye(1, 2, 3), center(4, 5, 6), up(0, 1, 0);
    const double big = 1e300;
    struct Case {
        const char* what;
        bool (*load)(Matrix4x4&);
    };
    const Case cases[] = {
        // clang-format off
        {"eye at center", [](Matrix4x4& m) { return m.loadLookAt(Vector3D(1, 2, 3), Vector3D(1, 2, 3), Vector3D(0, 1, 0)); }},
        {"eye within 1e-10 of center", [](Matrix4x4& m) { return m.loadLookAt(Vector3D(1, 2, 3), Vector3D(1, 2, 3 + 5e-11), Vector3D(0, 1, 0)); }},
        {"zero up", [](Matrix4x4& m) { return m.loadLookAt(Vector3D(1, 2, 3), Vector3D(4, 5, 6), Vector3D(0, 0, 0)); }},
        {"up along the view", [](Matrix4x4& m) { return m.loadLookAt(Vector3D(1, 2, 3), Vector3D(4, 5, 6), Vector3D(-2, -2, -2)); }},
        {"NaN eye", [](Matrix4x4& m) { return m.loadLookAt(Vector3D(kNaN, 0, 0), Vector3D(4, 5, 6), Vector3D(0, 1, 0)); }},
        {"infinite center", [](Matrix4x4& m) { return m.loadLookAt(Vector3D(1, 2, 3), Vector3D(kInf, 5, 6), Vector3D(0, 1, 0)); }},
        {"eye and center too far apart", [](Matrix4x4& m) { return m.loadLookAt(Vector3D(1.5e308, 0, 0), Vector3D(-1.5e308, 0, 0), Vector3D(0, 1, 0)); }},
        {"eye so far out that s . eye overflows", [](Matrix4x4& m) { return m.loadLookAt(Vector3D(1.5e308, 1.5e308, 0), Vector3D(1.5e308, 1.5e308, -1), Vector3D(-1, 1, 0)); }},
        {"zero aspect", [](Matrix4x4& m) { return m.loadPerspective(1.0, 0.0, 0.1, 100); }},
        {"infinite aspect", [](Matrix4x4& m) { return m.loadPerspective(1.0, kInf, 0.1, 100); }},
        {"NaN aspect", [](Matrix4x4& m) { return m.loadPerspective(1.0, kNaN, 0.1, 100); }},
        {"zero field of view", [](Matrix4x4& m) { return m.loadPerspective(0.0, 1.5, 0.1, 100); }},
        {"negative field of view", [](Matrix4x4& m) { return m.loadPerspective(-1.0, 1.5, 0.1, 100); }},
        {"field of view of 180 degrees", [](Matrix4x4& m) { return m.loadPerspective(kPi, 1.5, 0.1, 100); }},
        {"perspective zNear equal to zFar", [](Matrix4x4& m) { return m.loadPerspective(1.0, 1.5, 5, 5); }},
        {"perspective zero zNear", [](Matrix4x4& m) { return m.loadPerspective(1.0, 1.5, 0.0, 100); }},
        {"perspective negative zNear", [](Matrix4x4& m) { return m.loadPerspective(1.0, 1.5, -0.1, 100); }},
        {"perspective negative zFar", [](Matrix4x4& m) { return m.loadPerspective(1.0, 1.5, 0.1, -100); }},
        {"perspective infinite zFar", [](Matrix4x4& m) { return m.loadPerspective(1.0, 1.5, 0.1, kInf); }},
        {"perspective whose 2 zFar zNear overflows", [](Matrix4x4& m) { return m.loadPerspective(1.0, 1.5, 1e300, 1e301); }},
        {"ortho of zero width", [](Matrix4x4& m) { return m.loadOrtho(2, 2, -1, 1, 0.1, 10); }},
        {"ortho of zero height", [](Matrix4x4& m) { return m.loadOrtho(-1, 1, 3, 3, 0.1, 10); }},
        {"ortho of zero depth", [](Matrix4x4& m) { return m.loadOrtho(-1, 1, -1, 1, 7, 7); }},
        {"ortho wider than any double", [](Matrix4x4& m) { return m.loadOrtho(-1e308, 1e308, -1, 1, 0.1, 10); }},
        {"ortho with a NaN side", [](Matrix4x4& m) { return m.loadOrtho(kNaN, 1, -1, 1, 0.1, 10); }},
        {"frustum of zero width", [](Matrix4x4& m) { return m.loadFrustum(1, 1, -1, 1, 0.1, 10); }},
        {"frustum of zero height", [](Matrix4x4& m) { return m.loadFrustum(-1, 1, 2, 2, 0.1, 10); }},
        {"frustum zNear equal to zFar", [](Matrix4x4& m) { return m.loadFrustum(-1, 1, -1, 1, 3, 3); }},
        {"frustum zero zNear", [](Matrix4x4& m) { return m.loadFrustum(-1, 1, -1, 1, 0, 10); }},
        {"frustum negative zNear", [](Matrix4x4& m) { return m.loadFrustum(-1, 1, -1, 1, -1, 10); }},
        {"frustum negative zFar", [](Matrix4x4& m) { return m.loadFrustum(-1, 1, -1, 1, 1, -10); }},
        {"frustum with an infinite side", [](Matrix4x4& m) { return m.loadFrustum(-kInf, 1, -1, 1, 1, 10); }},
        // clang-format on
    };
    for (const Case& c : cases) {
        Matrix4x4 m = Garbage();
        EXPECT_FALSE(c.load(m)) << c.what;
        EXPECT_TRUE(IsIdentity(m)) << c.what;
    }
    // The factories say the same through their flag, and return the identity.
    bool valid = true;
    EXPECT_TRUE(IsIdentity(Matrix4x4::LookAt(eye, eye, up, &valid)));
    EXPECT_FALSE(valid);
    EXPECT_TRUE(IsIdentity(Matrix4x4::Perspective(1.0, 0.0, 0.1, 100, &valid)));
    EXPECT_FALSE(valid);
    EXPECT_TRUE(IsIdentity(Matrix4x4::Ortho(0, 0, -1, 1, 0.1, 10, &valid)));
    EXPECT_FALSE(valid);
    EXPECT_TRUE(IsIdentity(Matrix4x4::Frustum(-1, 1, -1, 1, 0, 10, &valid)));
    EXPECT_FALSE(valid);
    EXPECT_TRUE(Matrix4x4::LookAt(eye, center, up, &valid).det() > 0);
    EXPECT_TRUE(valid);
    // Extreme but finite cameras that do define one come out finite: no NaN, no infinity.
    Matrix4x4 m;
    EXPECT_TRUE(m.loadOrtho(-big, big, -1, 1, 0.1, 10));
    EXPECT_TRUE(m.loadFrustum(-1, 1, -1, 1, 1e-300, 1e300));
    EXPECT_TRUE(m.loadPerspective(1e-300, 1.5, 1e-300, 1e300));
    EXPECT_TRUE(m.loadLookAt(Vector3D(1e150, 0, 0), Vector3D(-1e150, 0, 0), up));
}

TEST(Matrix4x4Factories, ReturnWhatTheLoadersLoadBitForBit)
{
    std::mt19937_64 rng(0xfac70e5);
    for (int i = 0; i < 1000; ++i) {
        const Vector3D a = RandomVector(rng), b = RandomVector(rng), c = RandomVector(rng);
        const double phi = RandomDouble(rng), x = RandomDouble(rng), y = RandomDouble(rng);
        Matrix4x4 m;
        m.loadTranslate(a.m_x, a.m_y, a.m_z);
        EXPECT_TRUE(SameBits(Matrix4x4::Translation(a.m_x, a.m_y, a.m_z), m.m_d));
        m.loadScale(a.m_x, a.m_y, a.m_z);
        EXPECT_TRUE(SameBits(Matrix4x4::Scaling(a.m_x, a.m_y, a.m_z), m.m_d));
        m.loadRotateX(phi);
        EXPECT_TRUE(SameBits(Matrix4x4::RotationX(phi), m.m_d));
        m.loadRotateY(phi);
        EXPECT_TRUE(SameBits(Matrix4x4::RotationY(phi), m.m_d));
        m.loadRotateZ(phi);
        EXPECT_TRUE(SameBits(Matrix4x4::RotationZ(phi), m.m_d));
        m.loadRotateAboutAxisThroughOrigin(b, phi);
        EXPECT_TRUE(SameBits(Matrix4x4::RotationAboutAxisThroughOrigin(b, phi), m.m_d));
        m.loadRotate(a, b, phi);
        EXPECT_TRUE(SameBits(Matrix4x4::Rotation(a, b, phi), m.m_d));
        m.loadLookAt(a, b, c);
        EXPECT_TRUE(SameBits(Matrix4x4::LookAt(a, b, c), m.m_d));
        m.loadPerspective(std::fabs(phi), x, std::fabs(y), std::fabs(a.m_x));
        EXPECT_TRUE(SameBits(
            Matrix4x4::Perspective(std::fabs(phi), x, std::fabs(y), std::fabs(a.m_x)), m.m_d));
        m.loadOrtho(a.m_x, a.m_y, b.m_x, b.m_y, c.m_x, c.m_y);
        EXPECT_TRUE(SameBits(Matrix4x4::Ortho(a.m_x, a.m_y, b.m_x, b.m_y, c.m_x, c.m_y), m.m_d));
        m.loadFrustum(a.m_x, a.m_y, b.m_x, b.m_y, std::fabs(c.m_x), std::fabs(c.m_y));
        EXPECT_TRUE(SameBits(
            Matrix4x4::Frustum(a.m_x, a.m_y, b.m_x, b.m_y, std::fabs(c.m_x), std::fabs(c.m_y)),
            m.m_d));
    }
    // Identity, Translation, Scaling, Ortho and Frustum are constant expressions.
    static_assert(Matrix4x4::Translation(1, 2, 3).Transform(Vector3D(1, 1, 1))
                  == Vector3D(2, 3, 4));
    static_assert(Matrix4x4::Identity().det() == 1.0);
    static_assert(Matrix4x4::Ortho(-1, 1, -1, 1, -1, 1) == Matrix4x4::Scaling(1, 1, -1));
    static_assert(Matrix4x4::Frustum(-1, 1, -1, 1, 1, 3).m_d[3][2] == -1.0);
}

#if VECMATH_TEST_HAVE_GLM
TEST(Matrix4x4Camera, AgreesWithGlmOverRandomCameras)
{
    std::mt19937_64 rng(0xca3e7a);
    std::uniform_real_distribution<double> coordinate(-100, 100), unit(0, 1);
    double lookAt = 0, perspective = 0, ortho = 0, frustum = 0;
    for (int i = 0; i < kSamples; ++i) {
        const Vector3D eye(coordinate(rng), coordinate(rng), coordinate(rng));
        const Vector3D center(coordinate(rng), coordinate(rng), coordinate(rng));
        const Vector3D up(coordinate(rng), coordinate(rng), coordinate(rng));
        const double fovy = 0.05 + 3.0 * unit(rng), aspect = 0.2 + 4.8 * unit(rng);
        const double zNear = 0.01 + 10 * unit(rng), zFar = zNear * (1.5 + 1000 * unit(rng));
        const double left = coordinate(rng), right = left + 0.1 + 50 * unit(rng);
        const double bottom = coordinate(rng), top = bottom + 0.1 + 50 * unit(rng);

        Matrix4x4 m;
        ASSERT_TRUE(m.loadLookAt(eye, center, up));
        lookAt = std::fmax(
            lookAt,
            LargestDifference(m, glm::lookAtRH(glm::dvec3(eye.m_x, eye.m_y, eye.m_z),
                                               glm::dvec3(center.m_x, center.m_y, center.m_z),
                                               glm::dvec3(up.m_x, up.m_y, up.m_z))));
        ASSERT_TRUE(m.loadPerspective(fovy, aspect, zNear, zFar));
        perspective = std::fmax(
            perspective, LargestDifference(m, glm::perspectiveRH_NO(fovy, aspect, zNear, zFar)));
        ASSERT_TRUE(m.loadOrtho(left, right, bottom, top, zNear, zFar));
        ortho = std::fmax(
            ortho, LargestDifference(m, glm::orthoRH_NO(left, right, bottom, top, zNear, zFar)));
        ASSERT_TRUE(m.loadFrustum(left, right, bottom, top, zNear, zFar));
        frustum = std::fmax(frustum, LargestDifference(m, glm::frustumRH_NO(left, right, bottom,
                                                                            top, zNear, zFar)));
    }
    std::printf("largest difference from glm, relative to the matrix's largest element, over %d "
                "cameras: lookAt %.3g, perspective %.3g, ortho %.3g, frustum %.3g\n",
                kSamples, lookAt, perspective, ortho, frustum);
    // glm normalises with an inverse square root and forms 1 / tan(fovy / 2): a few ulps of
    // the matrix's scale (2^-52 is 2.2e-16), the translation column of the view holding
    // sums that cancel.
    EXPECT_LT(lookAt, 4e-15);
    EXPECT_LT(perspective, 1e-15);
    // The same formulas in the same order: the same bits.
    EXPECT_EQ(ortho, 0.0);
    EXPECT_EQ(frustum, 0.0);
}
#endif
