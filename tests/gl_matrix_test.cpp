// gl_matrix_test.cpp: the library's matrices in a real OpenGL client. On a virtual X
// server (Xvfb, Mesa's software renderer) it loads matrices into GL's modelview stack the
// two ways the library documents and reads them back with glGetDoublev, and compares the
// camera and projection loaders with what gluLookAt, gluPerspective, glOrtho and
// glFrustum load themselves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <memory>
#include <random>

#include "e2e/harness.h"
#include "exact_compare.h"
#include "gl_headers.h"
// glutExit: freeglut, which the tests are built with on Linux.
#include "matrix4x4.h"
#include <GL/freeglut_ext.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Keeps Mesa's DRI driver (loaded by GLX for the context) in memory until the process
// ends. glutExit closes the display, and GLX unloads the driver then; the blocks the
// driver leaks would reach the leak checker of a sanitized build with no module to name,
// and its suppression of the driver could not match them.
void KeepGlDriverLoaded()
{
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

// One window's GL context for the whole file; GLUT can be started once per process.
class GlMatrices : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_display = std::make_unique<e2e::VirtualDisplay>(320, 240);
        setenv("DISPLAY", s_display->name().c_str(), 1);
        int argc = 1;
        char name[] = "gl_matrix_test";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
        s_window = glutCreateWindow(name);
        KeepGlDriverLoaded();
        glMatrixMode(GL_MODELVIEW);
    }
    // The connection to the X server is closed before the server stops: Xlib ends a
    // process whose server went away with status 1.
    static void TearDownTestSuite()
    {
        glutDestroyWindow(s_window);
        glutExit();
        s_display.reset();
    }

    // GL's modelview matrix, element (r, c) from the column-major array GL returns.
    static Matrix4x4 ModelView()
    {
        double columns[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, columns);
        Matrix4x4 m;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                m.m_d[r][c] = columns[4 * c + r];
        return m;
    }

    // The largest difference between a and b, relative to a's largest element.
    static double Difference(const Matrix4x4& a, const Matrix4x4& b)
    {
        double scale = 0, largest = 0;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                scale = std::fmax(scale, std::fabs(a.m_d[r][c]));
                largest = std::fmax(largest, std::fabs(a.m_d[r][c] - b.m_d[r][c]));
            }
        return largest / scale;
    }

private:
    static std::unique_ptr<e2e::VirtualDisplay> s_display;
    static int s_window;
};

std::unique_ptr<e2e::VirtualDisplay> GlMatrices::s_display;
int GlMatrices::s_window = 0;

// m as GL keeps it: Mesa stores matrices in single precision.
Matrix4x4 InSinglePrecision(const Matrix4x4& m)
{
    Matrix4x4 f;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            f.m_d[r][c] = static_cast<float>(m.m_d[r][c]);
    return f;
}

} // namespace

TEST_F(GlMatrices, ColumnMajorAndTransposeLoadTheMatrixAndTheRowsLoadItsTranspose)
{
    const Matrix4x4 m = Matrix4x4::Rotation(Vector3D(1, 2, 3), Vector3D(0.3, -1, 2), 0.7)
                      * Matrix4x4::Perspective(1.1, 1.6, 0.5, 80);
    const Matrix4x4 asGl = InSinglePrecision(m);

    const vecmath::ExactEqual same;
    glLoadMatrixd(m.columnMajor().data());
    EXPECT_TRUE(same(ModelView(), asGl)) << ModelView() << "\nnot\n" << asGl;
    glLoadTransposeMatrixd(m.data());
    EXPECT_TRUE(same(ModelView(), asGl)) << ModelView() << "\nnot\n" << asGl;
    // The mistake the documentation warns of: the rows handed to glLoadMatrixd.
    glLoadMatrixd(m.data());
    EXPECT_TRUE(same(ModelView(), asGl.transposed()));
    EXPECT_FALSE(ModelView().cmp(asGl, 1e-3));
}

TEST_F(GlMatrices, CameraAndProjectionLoadersMatchGluAndGl)
{
    std::mt19937_64 rng(0x61u);
    std::uniform_real_distribution<double> coordinate(-50, 50), unit(0, 1);
    double lookAt = 0, perspective = 0, ortho = 0, frustum = 0;
    for (int i = 0; i < 500; ++i) {
        const Vector3D eye(coordinate(rng), coordinate(rng), coordinate(rng));
        const Vector3D center(coordinate(rng), coordinate(rng), coordinate(rng));
        const Vector3D up(coordinate(rng), coordinate(rng), coordinate(rng));
        const double fovy = 0.05 + 3.0 * unit(rng), aspect = 0.2 + 4.8 * unit(rng);
        const double zNear = 0.01 + 10 * unit(rng), zFar = zNear * (1.5 + 1000 * unit(rng));
        const double left = coordinate(rng), right = left + 0.1 + 50 * unit(rng);
        const double bottom = coordinate(rng), top = bottom + 0.1 + 50 * unit(rng);

        glLoadIdentity();
        gluLookAt(eye.m_x, eye.m_y, eye.m_z, center.m_x, center.m_y, center.m_z, up.m_x, up.m_y,
                  up.m_z);
        lookAt = std::fmax(lookAt, Difference(Matrix4x4::LookAt(eye, center, up), ModelView()));
        glLoadIdentity();
        gluPerspective(fovy * 180 / kPi, aspect, zNear, zFar);
        perspective =
            std::fmax(perspective,
                      Difference(Matrix4x4::Perspective(fovy, aspect, zNear, zFar), ModelView()));
        // Mesa rounds glOrtho's and glFrustum's arguments to float before it computes, and
        // right - left then cancels in single precision: the loaders get the same arguments.
        const double l = float(left), r = float(right), b = float(bottom), t = float(top);
        const double n = float(zNear), f = float(zFar);
        glLoadIdentity();
        glOrtho(left, right, bottom, top, zNear, zFar);
        ortho = std::fmax(ortho, Difference(Matrix4x4::Ortho(l, r, b, t, n, f), ModelView()));
        glLoadIdentity();
        glFrustum(left, right, bottom, top, zNear, zFar);
        frustum = std::fmax(frustum, Difference(Matrix4x4::Frustum(l, r, b, t, n, f), ModelView()));
    }
    std::printf("largest difference from GLU and GL (single precision inside), relative to the "
                "matrix's largest element, over 500 cameras: gluLookAt %.3g, gluPerspective %.3g, "
                "glOrtho %.3g, glFrustum %.3g\n",
                lookAt, perspective, ortho, frustum);
    // GL keeps floats (2^-24 is 6e-8), and GLU computes the look-at in floats too: its
    // translation column sums terms that cancel.
    EXPECT_LT(lookAt, 1e-5);
    EXPECT_LT(perspective, 1e-6);
    EXPECT_LT(ortho, 1e-6);
    EXPECT_LT(frustum, 1e-6);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
