// Unit tests of the cockpit's scene: the panel vertices, the dial outline, the camera
// moves and what each flight key prints. They call the real builders, moves and key
// handling of the program and read its globals; nothing here needs a display.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "cockpit.h"
#include "cockpit_keys_model.h"
#include "vecmath_test_util.h"

namespace {

const double kPi = 3.141592653589793;

// Puts the camera back where the program starts it, negative zero included.
void resetCamera()
{
    camera = Vector3D(-0.0, 1.0, 8.9);
    LookAt_vector = Vector3D(0.0, 1.0, 0.0);
    LookUp_vector = Vector3D(0.0, 1.0, 0.0);
    unturnedLookAt = Vector3D(0.0, 1.0, 0.0);
    heading = 0;
}

// Sends standard output to a string for as long as it lives.
class CapturedStdout
{
public:
    CapturedStdout() : m_old(std::cout.rdbuf(m_text.rdbuf())) {}
    ~CapturedStdout() { std::cout.rdbuf(m_old); }
    std::string text() const { return m_text.str(); }

private:
    std::ostringstream m_text;
    std::streambuf* m_old;
};

std::string printedFor(unsigned char key)
{
    CapturedStdout out;
    flyByKey(key);
    return out.text();
}

bool sameBits(double a, double b)
{
    return a == b && std::signbit(a) == std::signbit(b);
}

bool sameBits(const Vector3D& a, const Vector3D& b)
{
    return sameBits(a.m_x, b.m_x) && sameBits(a.m_y, b.m_y) && sameBits(a.m_z, b.m_z);
}

std::string show(const Vector3D& v)
{
    std::ostringstream s;
    s.precision(17);
    s << "(" << v.m_x << ", " << v.m_y << ", " << v.m_z << ")";
    return s.str();
}

// What `keys` print, one after the other, from where the camera is.
std::string printedFor(const std::string& keys)
{
    std::string text;
    for (char key : keys)
        text += printedFor(static_cast<unsigned char>(key));
    return text;
}

// The heading of the view in degrees, counter-clockwise seen from above from -z: 90 is
// towards -x.
double viewDegrees()
{
    const Vector3D d = LookAt_vector - camera;
    return std::atan2(-d.m_x, -d.m_z) * 180.0 / kPi;
}

class CockpitCamera : public ::testing::Test
{
protected:
    void SetUp() override { resetCamera(); }
    void TearDown() override { resetCamera(); }
};

using CockpitKeys = CockpitCamera;

} // namespace

// ---- Panel ----------------------------------------------------------------------------------

TEST(CockpitPanel, HasItsSixteenVerticesInThePlaneZZero)
{
    // clang-format off
    const double want[16][2] = {
        {-10, -10}, {10, -10}, {10, 1.2}, {-10, 1.2},
        {-10,   8}, {10,   8}, {10,  10}, {-10,  10},
        {-0.7, -10}, {0.7, -10}, {0.7, 10}, {-0.7, 10},
        { 10,   0}, { 5,  10}, {-10,  0}, { -5,  10},
    };
    // clang-format on
    createPanel();
    ASSERT_EQ(panel_points.size(), 16u);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(panel_points[i].m_x, want[i][0]) << "vertex " << i;
        EXPECT_EQ(panel_points[i].m_y, want[i][1]) << "vertex " << i;
        EXPECT_EQ(panel_points[i].m_z, 0.0) << "vertex " << i;
    }
}

TEST(CockpitPanel, BuildsTheSameVerticesWhenBuiltAgain)
{
    createPanel();
    const PointList first = panel_points;
    createPanel();
    ASSERT_EQ(panel_points.size(), first.size());
    for (std::size_t i = 0; i < first.size(); i++)
        EXPECT_TRUE(panel_points[i] == first[i]) << "vertex " << i;
}

// ---- Dial -----------------------------------------------------------------------------------

TEST(CockpitDial, StartsAtTwoPointFiveMinusThreeAndPassesTheTopAtEntryFifteen)
{
    createCircle();
    ASSERT_EQ(circle_points.size(), 60u);
    EXPECT_EQ(circle_points[0].m_x, 2.5);
    EXPECT_EQ(circle_points[0].m_y, -3.0);
    EXPECT_EQ(circle_points[0].m_z, 0.0);
    EXPECT_NEAR(circle_points[15].m_x, 0.0, 1e-12);
    EXPECT_NEAR(circle_points[15].m_y, -0.5, 1e-12);
    EXPECT_EQ(circle_points[15].m_z, 0.0);
}

TEST(CockpitDial, PutsAllSixtyPointsAtRadiusTwoPointFiveEverySixDegrees)
{
    createCircle();
    ASSERT_EQ(circle_points.size(), 60u);
    for (int k = 0; k < 60; k++) {
        const Vector3D& p = circle_points[k];
        const double dx = p.m_x, dy = p.m_y + 3.0;
        EXPECT_NEAR(std::sqrt(dx * dx + dy * dy), 2.5, 1e-12) << "entry " << k;
        EXPECT_EQ(p.m_z, 0.0) << "entry " << k;
        // Entry k at 6k degrees, counter-clockwise from +x seen from +z.
        EXPECT_NEAR(dx, 2.5 * std::cos(k * kPi / 30.0), 1e-12) << "entry " << k;
        EXPECT_NEAR(dy, 2.5 * std::sin(k * kPi / 30.0), 1e-12) << "entry " << k;
    }
}

TEST(CockpitDial, TurnsEachPointFromThePreviousOneBitForBit)
{
    // The outline is made by repeated rotation, so the rounding of one step carries into
    // the next. The reference turns (x, y) by the same step with the rotation's sums in
    // the library's order, then moves the ring down by 3.
    createCircle();
    ASSERT_EQ(circle_points.size(), 60u);
    const double step = 6.283185307179586 / 60.0;
    const double c = vecmath_test::RotationCos(step), s = vecmath_test::RotationSin(step);
    double x = 2.5, y = 0.0;
    for (int k = 0; k < 60; k++) {
        EXPECT_EQ(circle_points[k].m_x, x) << "entry " << k;
        EXPECT_EQ(circle_points[k].m_y, y + -3.0) << "entry " << k;
        const double nx = c * x + -s * y;
        const double ny = s * x + c * y;
        x = nx;
        y = ny;
    }
}

// ---- Camera moves ---------------------------------------------------------------------------

TEST_F(CockpitCamera, StartsWithANegativeZeroXAtHeightOneAndEightPointNineInFront)
{
    EXPECT_TRUE(sameBits(camera.m_x, -0.0));
    EXPECT_EQ(camera.m_y, 1.0);
    EXPECT_EQ(camera.m_z, 8.9);
}

TEST_F(CockpitCamera, TenForwardMovesTakeCameraAndLookAtOneUnitTowardsMinusZ)
{
    for (int i = 0; i < 10; i++)
        moveForward();
    EXPECT_NEAR(camera.m_z, 7.9, 1e-12);
    EXPECT_NEAR(LookAt_vector.m_z, -1.0, 1e-12);
    EXPECT_EQ(camera.m_x, 0.0);
    EXPECT_EQ(camera.m_y, 1.0);
    EXPECT_EQ(LookAt_vector.m_x, 0.0);
    EXPECT_EQ(LookAt_vector.m_y, 1.0);
}

TEST_F(CockpitCamera, TenUpMovesRaiseCameraAndLookAtByOne)
{
    for (int i = 0; i < 10; i++)
        moveUp();
    EXPECT_NEAR(camera.m_y, 2.0, 1e-12);
    EXPECT_NEAR(LookAt_vector.m_y, 2.0, 1e-12);
    EXPECT_EQ(camera.m_z, 8.9);
    EXPECT_EQ(LookAt_vector.m_z, 0.0);
}

TEST_F(CockpitCamera, ADownMoveLowersCameraAndLookAtByATenth)
{
    moveDown();
    EXPECT_NEAR(camera.m_y, 0.9, 1e-15);
    EXPECT_NEAR(LookAt_vector.m_y, 0.9, 1e-15);
    EXPECT_EQ(camera.m_z, 8.9);
    EXPECT_EQ(LookAt_vector.m_z, 0.0);
}

TEST_F(CockpitCamera, TurnsTheNegativeZeroXIntoPositiveZeroAtTheFirstMoveOfAnyKind)
{
    void (*moves[3])() = {moveForward, moveUp, moveDown};
    for (auto move : moves) {
        resetCamera();
        move();
        EXPECT_TRUE(sameBits(camera.m_x, 0.0));
        EXPECT_TRUE(sameBits(LookAt_vector.m_x, 0.0));
    }
}

TEST_F(CockpitCamera, KeepsCameraMinusLookAtAtZeroZeroEightPointNineWhateverTheMoves)
{
    void (*moves[7])() = {moveForward, moveUp,      moveForward, moveDown,
                          moveDown,    moveForward, moveUp};
    for (int round = 0; round < 20; round++)
        for (auto move : moves) {
            move();
            const Vector3D d = camera - LookAt_vector;
            ASSERT_EQ(d.m_x, 0.0);
            ASSERT_NEAR(d.m_y, 0.0, 1e-12);
            ASSERT_NEAR(d.m_z, 8.9, 1e-12);
        }
}

TEST_F(CockpitCamera, TurnsTheViewFiveDegreesAPressAboutTheVerticalThroughTheEye)
{
    const Vector3D eye = camera;
    for (int press = 1; press <= 72; press++) {
        turnLeft();
        // The eye stays put to the bit; the look-at point keeps its height and distance.
        ASSERT_TRUE(sameBits(camera, eye)) << "press " << press;
        EXPECT_EQ(LookAt_vector.m_y, 1.0) << "press " << press;
        EXPECT_NEAR((LookAt_vector - camera).Norm(), 8.9, 1e-12) << "press " << press;
        const double want = std::remainder(5.0 * press, 360.0);
        EXPECT_NEAR(std::remainder(viewDegrees() - want, 360.0), 0.0, 1e-9) << "press " << press;
    }
    // A full circle is the start again, bit for bit.
    EXPECT_EQ(heading, 0);
    EXPECT_TRUE(sameBits(LookAt_vector, Vector3D(0.0, 1.0, 0.0))) << show(LookAt_vector);
    for (int press = 1; press <= 18; press++)
        turnRight();
    EXPECT_NEAR(viewDegrees(), -90.0, 1e-9) << "a quarter turn right looks towards +x";
    EXPECT_TRUE(sameBits(camera, eye));
    EXPECT_TRUE(LookUp_vector == Vector3D(0.0, 1.0, 0.0));
}

TEST_F(CockpitCamera, FliesWhereItLooksAndKeepsItsDistanceToTheLookAtPoint)
{
    for (int i = 0; i < 9; i++)
        turnLeft(); // 45 degrees to the left
    for (int i = 0; i < 10; i++)
        moveForward();
    const double d = 1.0 / std::sqrt(2.0);
    EXPECT_NEAR(camera.m_x, -d, 1e-12);
    EXPECT_NEAR(camera.m_z, 8.9 - d, 1e-12);
    EXPECT_EQ(camera.m_y, 1.0);
    moveUp();
    EXPECT_NEAR(camera.m_y, 1.1, 1e-15);
    EXPECT_NEAR(LookAt_vector.m_y, 1.1, 1e-15);
    EXPECT_NEAR((LookAt_vector - camera).Norm(), 8.9, 1e-12);
    EXPECT_NEAR(viewDegrees(), 45.0, 1e-9);
}

TEST_F(CockpitCamera, StepsForwardWithTheSameBitsAsATenthTowardsMinusZWhileUnturned)
{
    // At heading 0 the unit look direction is exactly (0, 0, -1), so a step along it is
    // the plain (0, 0, -0.1) that the model takes, whatever moves came before.
    std::mt19937 random(7);
    const char keys[] = {'5', '5', '5', '8', '2', 'x'};
    cockpit_model::Camera model;
    for (int i = 0; i < 5000; i++) {
        const unsigned char key = keys[random() % sizeof keys];
        printedFor(key);
        cockpit_model::linesForKey(key, model);
        ASSERT_TRUE(sameBits(camera, Vector3D(model.x, model.y, model.z)))
            << "after key " << i << ": " << show(camera);
        ASSERT_TRUE(sameBits(LookAt_vector, Vector3D(model.aheadX, model.aheadY, model.aheadZ)))
            << "after key " << i << ": " << show(LookAt_vector);
    }
}

// ---- Flight keys ----------------------------------------------------------------------------

TEST_F(CockpitKeys, ShowTheNegativeZeroInTheFirstCameraLine)
{
    EXPECT_EQ(printedFor('x'), "(-0,1,8.9)\n");
}

TEST_F(CockpitKeys, MoveDownAfterTheMessageOfTwoButForwardBeforeTheMessageOfFive)
{
    EXPECT_EQ(printedFor('2'), "j pressed -> SpeedDown\n(0,0.9,8.9)\n");
    resetCamera();
    EXPECT_EQ(printedFor('5'), "u pressed -> SpeedUp\n(0,1,8.8)\n");
}

TEST_F(CockpitKeys, PrintTheTurningMessagesOfFourAndSixThenTurnWithoutMovingTheCamera)
{
    EXPECT_EQ(printedFor('4'), "4 pressed -> turning left\n(-0,1,8.9)\n");
    EXPECT_EQ(heading, 1);
    EXPECT_EQ(printedFor('6'), "6 pressed -> turning right\n(-0,1,8.9)\n");
    EXPECT_EQ(heading, 0);
}

TEST_F(CockpitKeys, TurnWithAAndDPrintingOnlyTheCameraAndLeaveUpperCaseAAndDAlone)
{
    EXPECT_EQ(printedFor('a'), "(-0,1,8.9)\n");
    EXPECT_EQ(heading, 1);
    EXPECT_EQ(printedFor('d'), "(-0,1,8.9)\n");
    EXPECT_EQ(printedFor('d'), "(-0,1,8.9)\n");
    EXPECT_EQ(heading, -1);
    for (unsigned char key : {'A', 'D'})
        EXPECT_EQ(printedFor(key), "(-0,1,8.9)\n") << "key " << key;
    EXPECT_EQ(heading, -1);
}

TEST_F(CockpitKeys, FlyAQuarterTurnLeftOrRightWhereTheyLook)
{
    const std::string tenFives = printedFor("5555555555");
    EXPECT_EQ(tenFives.substr(tenFives.rfind("u pressed")), "u pressed -> SpeedUp\n(0,1,7.9)\n");
    resetCamera();
    const std::string left = printedFor(std::string(18, 'a') + "5555555555");
    EXPECT_EQ(left.substr(left.rfind("u pressed")), "u pressed -> SpeedUp\n(-1,1,8.9)\n");
    resetCamera();
    const std::string right = printedFor(std::string(18, 'd') + "5555555555");
    EXPECT_EQ(right.substr(right.rfind("u pressed")), "u pressed -> SpeedUp\n(1,1,8.9)\n");
}

TEST_F(CockpitKeys, PrintAndLookExactlyAsBeforeOnceBackOnAHeadingTheyHad)
{
    const std::string keys = "5555582555855";
    const std::string straight = printedFor(keys);
    const Vector3D eye = camera, look = LookAt_vector;
    for (const std::string& turns : {std::string("ad"), std::string("da"), std::string(72, 'a'),
                                     std::string(72, 'd'), std::string("a46d")}) {
        resetCamera();
        const std::string turned = printedFor(turns);
        EXPECT_EQ(printedFor(keys), straight) << "after " << turns;
        EXPECT_TRUE(sameBits(camera, eye)) << "after " << turns << ": " << show(camera);
        EXPECT_TRUE(sameBits(LookAt_vector, look)) << "after " << turns << ": " << show(look);
    }
}

TEST_F(CockpitKeys, MoveUpWithEightAndPrintNoMessage)
{
    EXPECT_EQ(printedFor('8'), "(0,1.1,8.9)\n");
}

TEST_F(CockpitKeys, ReachSevenPointNineAfterTenPressesOfFiveAndTwoAfterTenOfEight)
{
    std::string last;
    for (int i = 0; i < 10; i++)
        last = printedFor('5');
    EXPECT_EQ(last, "u pressed -> SpeedUp\n(0,1,7.9)\n");
    for (int i = 0; i < 10; i++)
        last = printedFor('8');
    EXPECT_EQ(last, "(0,2,7.9)\n");
}

TEST_F(CockpitKeys, PrintWhatTheKeyTableSaysForEveryCodeButEscape)
{
    cockpit_model::Camera model;
    for (int code = 0; code < 256; code++) {
        if (code == 27)
            continue;
        const unsigned char key = static_cast<unsigned char>(code);
        const std::string want = cockpit_model::joined(cockpit_model::linesForKey(key, model));
        EXPECT_EQ(printedFor(key), want) << "key code " << code;
    }
}

TEST_F(CockpitKeys, EndTheProcessWithStatusZeroAndNoOutputOnEscape)
{
    // Standard output goes to standard error inside the dying process, so anything that
    // Escape printed would break the empty match.
    EXPECT_EXIT(
        {
            std::cout.rdbuf(std::cerr.rdbuf());
            flyByKey(27);
        },
        ::testing::ExitedWithCode(0), "^$");
}
