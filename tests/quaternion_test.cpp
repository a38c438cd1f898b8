// quaternion_test.cpp: Quaternion, Euler angles and decomposition: against Eigen
// (Quaterniond, AngleAxisd, slerp) and glm over random rotations, their round trips, the
// hard inputs of slerp, gimbal lock, and the matrices decompose() must refuse.
#include "quaternion.h"

#include <gtest/gtest.h>

#include <Eigen/Geometry>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>

#include "exact_compare.h"
#include "matrix4x4.h"

#if VECMATH_TEST_HAVE_GLM
#include <glm/gtc/quaternion.hpp>
#endif

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSamples = 5000;

const vecmath::EulerOrder kOrders[] = {vecmath::EulerOrder::XYZ, vecmath::EulerOrder::XZY,
                                       vecmath::EulerOrder::YXZ, vecmath::EulerOrder::YZX,
                                       vecmath::EulerOrder::ZXY, vecmath::EulerOrder::ZYX};

// Random rotations: a uniform axis and an angle in (-pi, pi], unit quaternions from them.
struct Rotations {
    std::mt19937_64 rng;
    std::normal_distribution<double> gauss{0.0, 1.0};
    std::uniform_real_distribution<double> angle{-kPi, kPi};

    explicit Rotations(std::uint64_t seed) : rng(seed) {}
    Vector3D axis() { return Vector3D(gauss(rng), gauss(rng), gauss(rng)); }
    Quaternion next() { return Quaternion::FromAxisAngle(axis(), angle(rng)); }
};

Eigen::Quaterniond ToEigen(const Quaternion& q)
{
    return Eigen::Quaterniond(q.m_w, q.m_x, q.m_y, q.m_z);
}

// The largest component difference of q from (w, x, y, z), or from its negative where
// that is nearer: q and -q are the same rotation.
double Apart(const Quaternion& q, double w, double x, double y, double z)
{
    const double plus = std::fmax(std::fmax(std::fabs(q.m_w - w), std::fabs(q.m_x - x)),
                                  std::fmax(std::fabs(q.m_y - y), std::fabs(q.m_z - z)));
    const double minus = std::fmax(std::fmax(std::fabs(q.m_w + w), std::fabs(q.m_x + x)),
                                   std::fmax(std::fabs(q.m_y + y), std::fabs(q.m_z + z)));
    return std::fmin(plus, minus);
}

double Apart(const Quaternion& q, const Eigen::Quaterniond& e)
{
    return Apart(q, e.w(), e.x(), e.y(), e.z());
}

// The largest element difference of the 3x3 parts.
double Apart(const Matrix4x4& m, const Matrix4x4& n)
{
    double largest = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            largest = std::fmax(largest, std::fabs(m.m_d[r][c] - n.m_d[r][c]));
    return largest;
}

} // namespace

TEST(QuaternionOracle, AgreesWithEigenAndGlmOverRandomRotations)
{
    Rotations random(0x9a7e);
    double axisAngle = 0, product = 0, rotate = 0, matrix = 0, fromMatrix = 0, slerp = 0;
    double glmMatrix = 0, glmSlerp = 0;
    for (int i = 0; i < kSamples; ++i) {
        const Vector3D axis = random.axis();
        const double phi = random.angle(random.rng);
        const Quaternion a = Quaternion::FromAxisAngle(axis, phi), b = random.next();
        const Eigen::Quaterniond ea(
            Eigen::AngleAxisd(phi, Eigen::Vector3d(axis.m_x, axis.m_y, axis.m_z).normalized()));
        const Eigen::Quaterniond eb = ToEigen(b);
        axisAngle = std::fmax(axisAngle, Apart(a, ea));
        product = std::fmax(product, Apart(a * b, ea * eb));
        const Vector3D v = random.axis();
        const Eigen::Vector3d ev = ea * Eigen::Vector3d(v.m_x, v.m_y, v.m_z);
        rotate = std::fmax(rotate, (a * v - Vector3D(ev.x(), ev.y(), ev.z())).Norm() / v.Norm());
        const Eigen::Matrix3d em = ea.toRotationMatrix();
        const Matrix4x4 m = a.toMatrix();
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                matrix = std::fmax(matrix, std::fabs(m.m_d[r][c] - em(r, c)));
        fromMatrix =
            std::fmax(fromMatrix, Apart(Quaternion::FromMatrix(m), Eigen::Quaterniond(em)));
        const double t = random.angle(random.rng) / kPi; // in (-1, 1]
        slerp = std::fmax(slerp, Apart(vecmath::slerp(a, b, t), ea.slerp(t, eb)));
#if VECMATH_TEST_HAVE_GLM
        const glm::dquat ga(a.m_w, a.m_x, a.m_y, a.m_z), gb(b.m_w, b.m_x, b.m_y, b.m_z);
        const glm::dmat3 gm = glm::mat3_cast(ga);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                glmMatrix = std::fmax(glmMatrix, std::fabs(m.m_d[r][c] - gm[c][r]));
        if (t >= 0) { // glm's slerp does not extrapolate
            const glm::dquat gs = glm::slerp(ga, gb, t);
            glmSlerp = std::fmax(glmSlerp, Apart(vecmath::slerp(a, b, t), gs.w, gs.x, gs.y, gs.z));
        }
#endif
    }
    std::printf(
        "largest differences over %d rotations: from Eigen: FromAxisAngle %.3g, product %.3g, "
        "rotate %.3g, toMatrix %.3g, FromMatrix %.3g, slerp %.3g; from glm: toMatrix %.3g, "
        "slerp %.3g\n",
        kSamples, axisAngle, product, rotate, matrix, fromMatrix, slerp, glmMatrix, glmSlerp);
    // Unit quantities: a few units of 2^-53 (1.1e-16); Eigen's and glm's slerps take acos
    // of the dot product, which is less accurate near 0 and pi.
    EXPECT_LT(axisAngle, 1e-15);
    EXPECT_LT(product, 1e-15);
    EXPECT_LT(rotate, 2e-15);
    EXPECT_LT(matrix, 1e-15);
    EXPECT_LT(fromMatrix, 2e-15);
    EXPECT_LT(slerp, 4e-15);
    EXPECT_LT(glmMatrix, 1e-15);
    EXPECT_LT(glmSlerp, 4e-15);
}

TEST(QuaternionRoundTrip, AxisAngleToQuaternionToMatrixAndBack)
{
    Rotations random(0x7217);
    double worst = 0;
    for (int i = 0; i < kSamples; ++i) {
        const Quaternion q = random.next();
        const Matrix4x4 m = q.toMatrix();
        const Quaternion back = Quaternion::FromMatrix(m);
        worst = std::fmax(worst, Apart(back, q.m_w, q.m_x, q.m_y, q.m_z));
        // The matrix agrees with the quaternion's own rotation, and loadRotate loads it.
        const Vector3D v = random.axis();
        EXPECT_TRUE((m * v).cmp(q * v, 1e-14 * (1 + v.Norm())));
        Matrix4x4 loaded;
        loaded.loadRotate(q);
        EXPECT_TRUE(vecmath::ExactEqual{}(loaded, m));
        // The largest component comes out positive; q * q.inverse() is the identity.
        const double largest = std::fmax(std::fmax(std::fabs(back.m_w), std::fabs(back.m_x)),
                                         std::fmax(std::fabs(back.m_y), std::fabs(back.m_z)));
        EXPECT_TRUE(back.m_w == largest || back.m_x == largest || back.m_y == largest
                    || back.m_z == largest);
        EXPECT_TRUE((q * q.inverse()).cmp(Quaternion::Identity(), 1e-15));
    }
    std::printf("axis-angle to matrix to quaternion: largest difference %.3g\n", worst);
    EXPECT_LT(worst, 1e-15);
    // Angles where one method or another loses accuracy: 0, pi, and about each axis.
    for (double phi : {0.0, 1e-9, kPi, kPi - 1e-9, -kPi / 2}) {
        for (const Vector3D& axis :
             {Vector3D::AxisX, Vector3D::AxisY, Vector3D::AxisZ, Vector3D(1, -2, 3)}) {
            const Quaternion q = Quaternion::FromAxisAngle(axis, phi);
            const Quaternion back = Quaternion::FromMatrix(q.toMatrix());
            EXPECT_LT(Apart(back, q.m_w, q.m_x, q.m_y, q.m_z), 1e-15) << phi;
        }
    }
    // A zero axis is no rotation.
    EXPECT_TRUE(Quaternion::FromAxisAngle(Vector3D(0, 0, 0), 1.0) == Quaternion::Identity());
    EXPECT_TRUE(Quaternion(0, 0, 0, 0).normalized() == Quaternion::Identity());
}

TEST(QuaternionSlerp, EndsExactlyOnTheShorterArcAtAConstantRate)
{
    Rotations random(0x51e7);
    for (int i = 0; i < 1000; ++i) {
        const Quaternion a = random.next(), b = random.next();
        const Quaternion c = a.dot(b) < 0 ? -b : b;
        const vecmath::ExactEqual same;
        EXPECT_TRUE(same(vecmath::slerp(a, b, 0.0), a));
        EXPECT_TRUE(same(vecmath::slerp(a, b, 1.0), c));
        // Constant rate, t outside [0, 1] included: the angle from a grows as |t|.
        const double whole = 2 * std::atan2((a.conjugate() * c).vec().Norm(), a.dot(c));
        for (double t : {-0.5, 0.25, 0.5, 1.5}) {
            const Quaternion s = vecmath::slerp(a, b, t);
            EXPECT_NEAR(s.norm(), 1.0, 1e-15);
            EXPECT_NEAR(2 * std::atan2((a.conjugate() * s).vec().Norm(), a.dot(s)),
                        std::fabs(t) * whole, 1e-14);
        }
    }
    // Antipodal ends are the same rotation: nothing moves. Nearly equal ends take the
    // chord and stay unit quaternions between them.
    const Quaternion a = random.next();
    for (double t : {0.0, 0.3, 1.0, 2.0})
        EXPECT_TRUE(vecmath::slerp(a, -a, t).cmp(a, 1e-15)) << t;
    for (double apart : {0.0, 1e-17, 1e-12, 1e-8, 1e-6}) {
        const Quaternion b = (a + Quaternion(apart, -apart, apart, 0)).normalized();
        const Quaternion mid = vecmath::slerp(a, b, 0.5);
        EXPECT_NEAR(mid.norm(), 1.0, 1e-15) << apart;
        EXPECT_TRUE(mid.cmp(vecmath::nlerp(a, b, 0.5), 1e-15)) << apart;
        EXPECT_TRUE(mid.cmp(a, apart + 1e-16)) << apart;
    }
}

TEST(EulerAngles, EveryOrderRoundTripsGimbalLockIncluded)
{
    std::mt19937_64 rng(0xe71e);
    std::uniform_real_distribution<double> full(-kPi, kPi), half(-kPi / 2, kPi / 2);
    for (vecmath::EulerOrder order : kOrders) {
        double worst = 0;
        for (int i = 0; i < 2000; ++i) {
            const double a = full(rng), c = full(rng);
            // Every fourth b at or within 1e-12 of a lock.
            double b = half(rng);
            if (i % 4 == 0)
                b = (i % 8 == 0 ? 1 : -1) * (kPi / 2 - (i % 3 == 0 ? 0.0 : 1e-12 * (i % 7)));
            const Matrix4x4 m = Matrix4x4::RotationEuler(order, a, b, c);
            const Vector3D angles = m.eulerAngles(order);
            EXPECT_LE(std::fabs(angles.m_y), kPi / 2);
            worst = std::fmax(
                worst,
                Apart(Matrix4x4::RotationEuler(order, angles.m_x, angles.m_y, angles.m_z), m));
            if (std::fabs(b) < 1.5) { // away from the lock the angles themselves come back
                EXPECT_TRUE(angles.cmp(Vector3D(a, b, c), 1e-12)) << angles;
            }
        }
        EXPECT_LT(worst, 4e-15) << "order " << static_cast<int>(order);
    }
    // XYZ is Rz(c) Ry(b) Rx(a) of the library's own loaders, bit for bit.
    const Matrix4x4 xyz = Matrix4x4::RotationEuler(vecmath::EulerOrder::XYZ, 0.3, -1.1, 2.5);
    const Matrix4x4 product =
        (Matrix4x4::RotationZ(2.5) * Matrix4x4::RotationY(-1.1)) * Matrix4x4::RotationX(0.3);
    EXPECT_TRUE(vecmath::ExactEqual{}(xyz, product));
    // At the lock a is 0 and c carries the rest.
    const Vector3D locked = Matrix4x4::RotationEuler(vecmath::EulerOrder::XYZ, 0.4, kPi / 2, 0.1)
                                .eulerAngles(vecmath::EulerOrder::XYZ);
    EXPECT_EQ(locked.m_x, 0.0);
    EXPECT_NEAR(locked.m_y, kPi / 2, 1e-15);
    EXPECT_NEAR(locked.m_z, 0.1 - 0.4, 1e-15);
}

TEST(Matrix4x4Decompose, SplitsTranslationRotationAndScaleAndRefusesTheRest)
{
    Rotations random(0xdec0);
    std::uniform_real_distribution<double> scale(0.01, 100), shift(-1000, 1000);
    for (int i = 0; i < 1000; ++i) {
        const Quaternion q = random.next();
        const Vector3D s(i % 2 == 0 ? -scale(random.rng) : scale(random.rng), scale(random.rng),
                         scale(random.rng));
        const Vector3D t(shift(random.rng), shift(random.rng), shift(random.rng));
        const Matrix4x4 m = Matrix4x4::Translation(t.m_x, t.m_y, t.m_z) * q.toMatrix()
                          * Matrix4x4::Scaling(s.m_x, s.m_y, s.m_z);
        Vector3D translation, scaling;
        Quaternion rotation;
        ASSERT_TRUE(m.decompose(translation, rotation, scaling));
        EXPECT_TRUE(vecmath::ExactEqual{}(translation, t));
        EXPECT_TRUE(scaling.cmp(s, 1e-13 * 100)) << scaling << " not " << s;
        EXPECT_GT(scaling.m_x * s.m_x, 0) << "the mirror goes to the x scale";
        // The parts give the matrix back.
        const Matrix4x4 again =
            Matrix4x4::Translation(translation.m_x, translation.m_y, translation.m_z)
            * rotation.toMatrix() * Matrix4x4::Scaling(scaling.m_x, scaling.m_y, scaling.m_z);
        EXPECT_TRUE(again.cmp(m, 1e-12)) << again << "\nnot\n" << m;
        EXPECT_NEAR(rotation.norm(), 1.0, 1e-15);
    }
    // Refused, with nothing written: a projection's bottom row, a singular scale, a NaN,
    // a shear.
    Matrix4x4 shear = Matrix4x4::Identity();
    shear.m_d[0][1] = 0.5;
    Matrix4x4 nan = Matrix4x4::Identity();
    nan.m_d[1][2] = std::nan("");
    const Matrix4x4 refused[] = {Matrix4x4::Perspective(1.0, 1.5, 0.1, 10),
                                 Matrix4x4::Scaling(1, 0, 1),
                                 Matrix4x4::Scaling(1, 1e-11, 1),
                                 nan,
                                 shear,
                                 Matrix4x4::Scaling(1e200, 1, 1) * Matrix4x4::RotationZ(0.5)};
    for (const Matrix4x4& m : refused) {
        Vector3D translation(1, 2, 3), scaling(4, 5, 6);
        Quaternion rotation(7, 8, 9, 10);
        EXPECT_FALSE(m.decompose(translation, rotation, scaling)) << m;
        EXPECT_TRUE(vecmath::ExactEqual{}(translation, Vector3D(1, 2, 3))
                    && vecmath::ExactEqual{}(scaling, Vector3D(4, 5, 6))
                    && vecmath::ExactEqual{}(rotation, Quaternion(7, 8, 9, 10)));
    }
}

TEST(QuaternionValue, PrintsReadsAndKeysLikeTheOtherTypes)
{
    const Quaternion q(0.1, -0.2, 1e-300, -0.0);
    std::stringstream text;
    text.precision(17);
    text << q;
    Quaternion back(1, 1, 1, 1);
    ASSERT_TRUE(text >> back);
    EXPECT_TRUE(vecmath::ExactEqual{}(back, q) && std::signbit(back.m_z));
    std::istringstream bad("(1, 2, 3)");
    EXPECT_FALSE(bad >> back);
    EXPECT_TRUE(vecmath::ExactEqual{}(back, q));
    EXPECT_EQ(vecmath::ExactHash{}(Quaternion(1, 0, -0.0, 0)),
              vecmath::ExactHash{}(Quaternion(1, 0, 0, 0)));
    EXPECT_TRUE(q != -q && q.cmp(-q, 0.5));
    static_assert((Quaternion(0, 1, 0, 0) * Quaternion(0, 0, 1, 0)) == Quaternion(0, 0, 0, 1),
                  "i j = k");
    static_assert(Quaternion::Identity().rotate(Vector3D(1, 2, 3)) == Vector3D(1, 2, 3));
    static_assert(Quaternion(2, 0, 0, 0).inverse() == Quaternion(0.5, 0, 0, 0)
                  && Quaternion{}.inverse() == Quaternion{});
}
