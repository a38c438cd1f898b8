// vecmath_oracle_test.cpp: Matrix4x4's algebra and rotations against Eigen, an
// independent library used here as an oracle only, on thousands of random
// well-conditioned matrices. Each tolerance is a small multiple of the unit roundoff
// scaled by what rounding can do to that quantity (the condition number, or the sizes of
// the terms summed), so a well-conditioned case is held tight and a harder one is not
// failed for honest rounding. The worst error seen, relative to its tolerance, is printed.
#include "matrix4x4.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <Eigen/Geometry>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

constexpr int kOracleSamples = 5000;
constexpr double kU = 0x1p-53; // unit roundoff of double
// Not M_PI: that is POSIX, and strict C++17 builds on Windows do not define it.
constexpr double kPi = 3.14159265358979323846;

using Mat = Eigen::Matrix4d;

Mat ToEigen(const Matrix4x4& m)
{
    Mat e;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            e(i, j) = m.m_d[i][j];
    return e;
}

Matrix4x4 FromEigen(const Mat& e)
{
    Matrix4x4 m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m.m_d[i][j] = e(i, j);
    return m;
}

double Condition(const Mat& m)
{
    const Eigen::Vector4d s = Eigen::JacobiSVD<Mat>(m).singularValues();
    return s(0) / s(3);
}

// The sum of the absolute values of the 24 products in the determinant: no rounding
// error of any expansion order can exceed a small multiple of u times this.
double AbsolutePermanent(const Mat& m)
{
    std::array<int, 4> p = {0, 1, 2, 3};
    double sum = 0;
    do
        sum += std::fabs(m(0, p[0]) * m(1, p[1]) * m(2, p[2]) * m(3, p[3]));
    while (std::next_permutation(p.begin(), p.end()));
    return sum;
}

// The largest ratio of error to tolerance, and the case it came from.
struct Worst {
    const char* what;
    double ratio = -1, error = 0, tolerance = 0;
    int cases = 0;
    void see(double err, double tol)
    {
        ++cases;
        // A NaN error takes over for good and fails the check.
        if (std::isnan(ratio))
            return;
        if (!(err / tol <= ratio)) {
            ratio = err / tol;
            error = err;
            tolerance = tol;
        }
    }
    ~Worst()
    {
        std::printf("%-24s %6d cases, worst error %.3g = %.3f of its tolerance %.3g\n", what, cases,
                    error, ratio, tolerance);
    }
};

class Oracle : public ::testing::Test
{
protected:
    std::mt19937_64 rng{0x0eac1e};
    std::uniform_real_distribution<double> unit{-1.0, 1.0};

    // Entries in [-s, s] with s from 0.3 to 3, condition number at most 1000.
    Mat WellConditioned(double* condition)
    {
        const double scale = std::pow(10.0, 0.5 * unit(rng));
        for (;;) {
            Mat m;
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j)
                    m(i, j) = scale * unit(rng);
            *condition = Condition(m);
            if (*condition <= 1e3)
                return m;
        }
    }
    Eigen::Vector3d Direction()
    {
        for (;;) {
            Eigen::Vector3d v(unit(rng), unit(rng), unit(rng));
            if (v.norm() > 0.1)
                return v;
        }
    }
};

} // namespace

TEST_F(Oracle, DeterminantInverseAndAdjoint)
{
    Worst det{"det"}, inverse{"inv"}, adjoint{"adjoint x M - det I"};
    for (int i = 0; i < kOracleSamples; ++i) {
        double kappa;
        const Mat e = WellConditioned(&kappa);
        Matrix4x4 m = FromEigen(e);

        // Eigen's own LU determinant is off by up to about u * kappa * |det|.
        const double d = m.det(), de = e.determinant();
        det.see(std::fabs(d - de), 16 * kU * (AbsolutePermanent(e) + kappa * std::fabs(de)));

        Matrix4x4 inv = m;
        ASSERT_TRUE(inv.inv()) << "det " << d << " of a matrix with condition " << kappa;
        const Mat ie = e.inverse();
        inverse.see((ToEigen(inv) - ie).cwiseAbs().maxCoeff(),
                    32 * kU * kappa * ie.cwiseAbs().maxCoeff());

        Matrix4x4 adj = m;
        adj.adjoint();
        const Mat a = ToEigen(adj);
        const Mat residual = a * e - d * Mat::Identity();
        // Bounded by the products summed, each of whose cofactors carries its own rounding.
        adjoint.see(residual.cwiseAbs().maxCoeff(),
                    64 * kU * (a.cwiseAbs() * e.cwiseAbs()).maxCoeff() * kappa);
    }
    EXPECT_LE(det.ratio, 1.0);
    EXPECT_LE(inverse.ratio, 1.0);
    EXPECT_LE(adjoint.ratio, 1.0);
}

TEST_F(Oracle, ProductsAndTransforms)
{
    Worst product{"product"}, transform{"Transform of a Vector4D"};
    for (int i = 0; i < kOracleSamples; ++i) {
        double kappa;
        const Mat ea = WellConditioned(&kappa), eb = WellConditioned(&kappa);
        Matrix4x4 a = FromEigen(ea), b = FromEigen(eb);
        // Each element is a sum of four products: within 4u of |A||B| for either library.
        const Mat bound = ea.cwiseAbs() * eb.cwiseAbs();
        const Mat diff = (ToEigen(a * b) - ea * eb).cwiseAbs();
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                product.see(diff(r, c), 8 * kU * bound(r, c));

        const Eigen::Vector4d ev(unit(rng), unit(rng), unit(rng), unit(rng));
        const Vector4D v = a * Vector4D(ev(0), ev(1), ev(2), ev(3));
        const Eigen::Vector4d expected = ea * ev, vbound = ea.cwiseAbs() * ev.cwiseAbs();
        const double got[4] = {v.m_x, v.m_y, v.m_z, v.m_w};
        for (int r = 0; r < 4; ++r)
            transform.see(std::fabs(got[r] - expected(r)), 8 * kU * vbound(r));
    }
    EXPECT_LE(product.ratio, 1.0);
    EXPECT_LE(transform.ratio, 1.0);
}

TEST_F(Oracle, RotationsAboutAnArbitraryAxis)
{
    Worst rodrigues{"Rodrigues matrix"}, about{"loadRotate vs T R T^-1"};
    Worst orthogonal{"R^T R - I"};
    std::uniform_real_distribution<double> angle(-2 * kPi, 2 * kPi);
    for (int i = 0; i < kOracleSamples; ++i) {
        const Eigen::Vector3d axis = Direction() * std::pow(10.0, 3 * unit(rng));
        const Eigen::Vector3d point(10 * unit(rng), 10 * unit(rng), 10 * unit(rng));
        const double phi = angle(rng);
        const Eigen::AngleAxisd turn(phi, axis.normalized());

        Matrix4x4 r;
        r.loadRotateAboutAxisThroughOrigin(Vector3D(axis(0), axis(1), axis(2)), phi);
        Mat expected = Mat::Identity();
        expected.topLeftCorner<3, 3>() = turn.toRotationMatrix();
        const Mat got = ToEigen(r);
        rodrigues.see((got - expected).cwiseAbs().maxCoeff(), 16 * kU);
        orthogonal.see((got.transpose() * got - Mat::Identity()).cwiseAbs().maxCoeff(), 32 * kU);

        Matrix4x4 m;
        m.loadRotate(Vector3D(point(0), point(1), point(2)), Vector3D(axis(0), axis(1), axis(2)),
                     phi);
        const Eigen::Affine3d composed =
            Eigen::Translation3d(point) * turn * Eigen::Translation3d(-point);
        // The translation column is point - R point: its rounding scales with |point|.
        const Mat diff = (ToEigen(m) - composed.matrix()).cwiseAbs();
        about.see(diff.leftCols<3>().maxCoeff(), 16 * kU);
        about.see(diff.col(3).maxCoeff(), 32 * kU * (1 + point.cwiseAbs().sum()));
    }
    EXPECT_LE(rodrigues.ratio, 1.0);
    EXPECT_LE(orthogonal.ratio, 1.0);
    EXPECT_LE(about.ratio, 1.0);
}
