// A program that uses the installed library the way an application would, in the idioms
// of everyday C++: const references, standard containers and algorithms, chained
// assignments, printing, a static from another file, and the namespace beside a second
// library's own Vector3D. Prints what it computed; exits 0 when every result is right.
// With an argument, ON or OFF, also checks that the library says its rotation loaders use
// its own sine and cosine (VECMATH_PORTABLE_TRIG) or not, as the argument does.
#include <vecmath/exact_compare.h>
#include <vecmath/matrix4x4.h>
#include <vecmath/quaternion.h>
#include <vecmath/trig.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "consumer.h"

static_assert(
    std::is_trivially_copyable_v<
        Matrix4x4> && std::is_trivially_copyable_v<Vector3D> && std::is_trivially_copyable_v<Vector4D>);
static_assert(
    std::is_nothrow_copy_constructible_v<Matrix4x4> && std::is_nothrow_move_assignable_v<Vector4D>);
static_assert(std::is_same_v<::Vector3D, vecmath::Vector3D>);

namespace {

int failures = 0;

void check(bool ok, const char* what)
{
    if (!ok) {
        std::printf("FAIL: %s\n", what);
        ++failures;
    }
}

// Everything here reads through const references only.
Vector3D image(const Matrix4x4& M, const Vector3D& p)
{
    return M * p;
}

double determinantOf(const Matrix4x4& M)
{
    return M.det();
}

// A user class holding matrices gets the ordinary copy constructor.
struct Node {
    std::string name;
    Matrix4x4 local;
};

} // namespace

int main(int argc, char** argv)
{
    Matrix4x4 built;
    built.loadTranslate(1, 2, 3);
    const Matrix4x4 move = built;
    const Vector3D p(1, 1, 1);
    check(image(move, p) == Vector3D(2, 3, 4), "a transform through const references");
    check(determinantOf(move) == 1.0, "det of a const matrix");
    check(move == built && !(move != built) && move.cmp(built), "comparison of const matrices");

    // Standard containers and algorithms.
    std::vector<Matrix4x4> path;
    path.reserve(8);
    path.push_back(move);
    path.emplace_back(move);
    path.resize(4, move);
    path[3].loadScale(2, 2, 2);
    std::swap(path[0], path[3]);
    check(std::find(path.begin(), path.end(), move) == path.begin() + 1, "std::find");
    std::map<std::string, Matrix4x4> named{{"move", move}};
    named["scale"] = path[0];
    const std::optional<Matrix4x4> maybe = named.at("scale");
    check(maybe.has_value() && maybe->det() == 8.0, "std::map and std::optional");
    const std::vector<Node> nodes{{"a", move}, {"b", path[0]}};
    const std::vector<Node> copies = nodes;
    check(copies[1].local == path[0], "a class holding a matrix copies");
    const std::vector<Vector3D> points{{1, 0, 0}, {0, 2, 0}, {0, 0, 3}};
    const Vector3D sum = std::accumulate(points.begin(), points.end(), Vector3D{});
    check(sum == Vector3D(1, 2, 3), "std::accumulate from Vector3D{}");
    std::array<Matrix4x4, 2> raw{};
    std::memcpy(&raw[0], &move, sizeof move);
    check(raw[0] == move && raw[1] == Matrix4x4{}, "memcpy and value-initialisation");

    // Chained and compound assignments.
    Vector3D a, b, c(1, 2, 3);
    a = b = c;
    (a += b) *= 2.0;
    check(a == Vector3D(4, 8, 12) && b == c, "chained assignments");
    Matrix4x4 m1, m2;
    m1 = m2 = move;
    (m1 *= move) *= 0.5;
    check(m1.m_d[0][3] == 1.0 && m2 == move, "chained matrix assignments");

    // The everyday operations.
    check(2.0 * c == c * 2.0 && c / 2.0 == Vector3D(0.5, 1, 1.5), "scalar on the left, division");
    check(Vector3D::AxisX.Cross(Vector3D::AxisY) == Vector3D::AxisZ, "Cross");
    check(Vector3D(3, 0, 4).Normalized() == Vector3D(0.6, 0, 0.8), "Normalized");
    Matrix4x4 turn;
    turn.loadRotate(Vector3D(1, 0, 0), Vector3D(0, 0, 2), 1.5707963267948966);
    bool invertible = false;
    const Matrix4x4 undo = turn.inverse(&invertible);
    check(invertible && undo * (turn * Vector3D(2, 0, 5)) == Vector3D(2, 0, 5), "inverse");
    check(turn.transposed().transposed() == turn, "transposed");
    Matrix4x4 flat{};
    flat.inverse(&invertible);
    check(!invertible, "inverse reports a singular matrix");
    const Vector4D h(2, 4, 6, 2);
    check(0.5 * h == Vector4D(1, 2, 3, 1) && h / 2.0 == h * 0.5 && h != Vector4D(2, 4, 6, 1),
          "Vector4D scaling and comparison");
    std::ostringstream printed;
    printed << c << ' ' << h << '\n' << move;
    std::cout << printed.str() << '\n';
    check(printed.str()
              == "(1, 2, 3) (2, 4, 6, 2)\n(1, 0, 0, 1)\n(0, 1, 0, 2)\n(0, 0, 1, 3)\n(0, 0, 0, 1)",
          "printing");

    // Read back, keyed exactly, in generic code, and handed to OpenGL's order.
    std::istringstream text("(1, 0, 0, 1)\n(0, 1, 0, 2)\n(0, 0, 1, 3)\n(0, 0, 0, 1) (1, 2, 3)");
    Matrix4x4 read;
    Vector3D point;
    check(text >> read >> point && read == move && point == c, "operator>>");
    std::unordered_map<Vector3D, int, vecmath::ExactHash, vecmath::ExactEqual> visits{{c, 1}};
    std::set<Matrix4x4, vecmath::ExactLess> unique{move, move, Matrix4x4::Identity()};
    check(visits.at(Vector3D(1, 2, 3)) == 1 && unique.size() == 2, "sets and maps, exactly");
    check(distance(c, Vector3D(1, 2, 4)) == 1.0 && dot(c, c) == 14.0
              && length(Vector4D(1, 1, 1, 1)) == 2.0,
          "free functions by argument-dependent lookup");
    check(move.columnMajor()[12] == 1.0 && move.data()[3] == 1.0, "columnMajor and data");
    bool camera = false;
    const Matrix4x4 view =
        Matrix4x4::LookAt(Vector3D(0, 0, 5), Vector3D{}, Vector3D::AxisY, &camera);
    check(camera && view * Vector3D{} == Vector3D(0, 0, -5), "LookAt");
    static_assert(Matrix4x4::Scaling(2, 2, 2).det() == 8.0, "constexpr det");

    // Rotations kept as quaternions and Euler angles.
    const Quaternion quarter = Quaternion::FromAxisAngle(Vector3D::AxisZ, 1.5707963267948966);
    check(quarter * Vector3D(1, 0, 0) == Vector3D(0, 1, 0)
              && vecmath::slerp(Quaternion::Identity(), quarter, 1.0) == quarter
              && Matrix4x4::RotationEuler(vecmath::EulerOrder::XYZ, 0, 0, 1.5707963267948966)
                     == quarter.toMatrix(),
          "quaternions, slerp and Euler angles");

    // A static of another file, initialised at run time from an axis constant.
    check(upAtStart() == Vector3D(0, 1, 0), "a static initialised from Vector3D::AxisY");

    // Another library's own global Vector3D, with out-of-line members, linked beside ours.
    check(Vector3D(1, 2, 3) + Vector3D(10, 20, 30) == Vector3D(11, 22, 33),
          "our Vector3D beside another library's");
    check(otherLibrarySum() == 10 * 20 + 2 * 3, "the other library's Vector3D is its own");
    check(fromTheNamespaceOnly() == 3.0, "a file without the global names");

    // The library's own sine, correctly rounded, and which sine the loaders use.
    check(vecmath::portableSin(1.0) == 0.8414709848078965, "portableSin(1)");
    if (argc > 1)
        check(vecmath::rotationsUsePortableTrig() == (std::strcmp(argv[1], "ON") == 0),
              "the loaders' sine and cosine are the ones the package records");

    std::printf("%s\n", failures == 0 ? "all idioms work" : "some idioms failed");
    return failures == 0 ? 0 : 1;
}
