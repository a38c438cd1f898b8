// Tests of the swing ride's scene: the real builders, rotation and colour cycle of the
// program, run without a window, read through the program's own globals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "matrix4x4.h"
#include "ride.h"

namespace {

const double kPi = 3.141592653589793;

double horizontalDistance(const Vector3D& p)
{
    return std::sqrt(p.m_x * p.m_x + p.m_z * p.m_z);
}

double distance(const Vector3D& a, const Vector3D& b)
{
    return (a - b).Norm();
}

bool sameBits(const Vector3D& a, const Vector3D& b)
{
    return a.m_x == b.m_x && a.m_y == b.m_y && a.m_z == b.m_z;
}

Vector3D centreOf(const PointList& ring, int count)
{
    Vector3D sum(0, 0, 0);
    for (int j = 0; j < count; j++)
        sum += ring[j];
    return sum * (1.0 / count);
}

// A freshly built scene, as main builds it, with the frame counter and colour at rest.
class RideScene : public ::testing::Test
{
protected:
    void SetUp() override
    {
        createBody();
        kreirajKonopce();
        NUM = 0;
        r = 1.0f;
        g = 1.0f;
        b = 0.0f;
    }
};

// ---- Body -------------------------------------------------------------------------------------

TEST_F(RideScene, BodyHasFiveRingsAtTheirHeightsAndRadii)
{
    ASSERT_EQ(body.size(), 5u);
    const double radius[5] = {20, 20, 3, 3, 10};
    const double height[5] = {0, 10, 10, 80, 80};
    for (int i = 0; i < 5; i++) {
        ASSERT_EQ(body[i].size(), 360u) << "ring " << i;
        EXPECT_TRUE(sameBits(body[i][0], Vector3D(radius[i], height[i], 0))) << "ring " << i;
        for (int k = 0; k < 360; k++) {
            EXPECT_EQ(body[i][k].m_y, height[i]) << "ring " << i << " point " << k;
            EXPECT_NEAR(horizontalDistance(body[i][k]), radius[i], 1e-12);
            const double a = k * 2 * kPi / 360; // from +X towards -Z
            EXPECT_NEAR(body[i][k].m_x, radius[i] * std::cos(a), 1e-11);
            EXPECT_NEAR(body[i][k].m_z, -radius[i] * std::sin(a), 1e-11);
        }
    }
    EXPECT_LT(distance(body[0][90], Vector3D(0, 0, -20)), 1e-12);
    EXPECT_LT(distance(body[0][180], Vector3D(-20, 0, 0)), 1e-12);
    EXPECT_TRUE(sameBits(bodyTop, Vector3D(0, 90, 0)));
}

TEST_F(RideScene, UpperRingsAreTheLowerOnesRaisedExactly)
{
    for (int k = 0; k < 360; k++) {
        EXPECT_EQ(body[1][k].m_x, body[0][k].m_x);
        EXPECT_EQ(body[1][k].m_z, body[0][k].m_z);
        EXPECT_EQ(body[1][k].m_y, body[0][k].m_y + 10);
        EXPECT_EQ(body[3][k].m_x, body[2][k].m_x);
        EXPECT_EQ(body[3][k].m_z, body[2][k].m_z);
        EXPECT_EQ(body[3][k].m_y, body[2][k].m_y + 70);
    }
}

TEST_F(RideScene, EveryRingPointIsTheOneBeforeItTurnedByOneStep)
{
    Matrix4x4 R;
    R.loadRotateY(6.283185307179586 / 360);
    for (int i : {0, 2, 4})
        for (int k = 1; k < 360; k++)
            ASSERT_TRUE(sameBits(body[i][k], R.Transform(body[i][k - 1])))
                << "ring " << i << " point " << k << " was not stepped from point " << k - 1;
}

TEST_F(RideScene, CylinderBuilderGivesRingsZeroToThreeValueForValue)
{
    PointList lower(360), upper(360);
    napraviValjak(20, 10, 0, lower, upper);
    for (int k = 0; k < 360; k++) {
        EXPECT_TRUE(sameBits(lower[k], body[0][k])) << k;
        EXPECT_TRUE(sameBits(upper[k], body[1][k])) << k;
    }
    // Longer lists keep their size, and points past N are left as they were.
    PointList pole(365, Vector3D(7, 7, 7)), top(365, Vector3D(7, 7, 7));
    napraviValjak(3, 70, 10, pole, top);
    ASSERT_EQ(pole.size(), 365u);
    ASSERT_EQ(top.size(), 365u);
    for (int k = 0; k < 360; k++) {
        EXPECT_TRUE(sameBits(pole[k], body[2][k])) << k;
        EXPECT_TRUE(sameBits(top[k], body[3][k])) << k;
    }
    EXPECT_TRUE(sameBits(pole[362], Vector3D(7, 7, 7)));
    EXPECT_TRUE(sameBits(top[364], Vector3D(7, 7, 7)));
}

// ---- Ropes and baskets ------------------------------------------------------------------------

TEST_F(RideScene, RopesAreTubesOfRadiusHalfAndLength70FromTheApex)
{
    ASSERT_EQ(konopci.size(), 8u);
    for (const PointList& ring : konopci)
        ASSERT_EQ(ring.size(), 360u);
    EXPECT_LT(distance(konopci[0][0], Vector3D(0.5, 90, 0)), 1e-12);
    const double drop = 40 * kPi / 180;
    EXPECT_LT(
        distance(konopci[0][90], Vector3D(0, 90 + 0.5 * std::cos(drop), 0.5 * std::sin(drop))),
        1e-12);
    for (int p = 0; p < 4; p++)
        for (int j = 0; j < 360; j++) {
            EXPECT_NEAR(distance(konopci[2 * p][j], Vector3D(0, 90, 0)), 0.5, 1e-12);
            EXPECT_NEAR(distance(konopci[2 * p][j], konopci[2 * p + 1][j]), 70, 1e-11);
        }
}

TEST_F(RideScene, LowerRingCentresHangAt45AndReach53_62InTheOrderZMinusXMinusZX)
{
    const double down = 90 - 70 * std::sin(40 * kPi / 180); // 45.00
    const double out = 70 * std::cos(40 * kPi / 180);       // 53.62
    const Vector3D want[4] = {{0, down, out}, {-out, down, 0}, {0, down, -out}, {out, down, 0}};
    for (int p = 0; p < 4; p++) {
        const Vector3D c = centreOf(konopci[2 * p + 1], 360);
        EXPECT_LT(distance(c, want[p]), 1e-9) << "rope " << p;
        EXPECT_NEAR(c.m_y, 45.00, 0.005);
        EXPECT_NEAR(horizontalDistance(c), 53.62, 0.005);
        // Corner 0 of the basket's near face hangs at the centre of the lower ring.
        EXPECT_LT(distance(cubes[2 * p][0], c), 1e-9) << "basket " << p;
    }
}

TEST_F(RideScene, BasketsAreBoxesWithFacesFiveApartAndDiagonalsTen)
{
    ASSERT_EQ(cubes.size(), 8u);
    for (int p = 0; p < 4; p++) {
        const PointList &A = cubes[2 * p], &B = cubes[2 * p + 1];
        ASSERT_EQ(A.size(), 4u);
        ASSERT_EQ(B.size(), 4u);
        for (int k = 0; k < 4; k++) {
            EXPECT_NEAR(distance(A[k], B[k]), 5, 1e-12) << "basket " << p << " corner " << k;
            EXPECT_NEAR(distance(A[k], A[(k + 1) % 4]), 5 * std::sqrt(2.0), 1e-12);
        }
        EXPECT_NEAR(distance(A[0], A[2]), 10, 1e-12);
        EXPECT_NEAR(distance(A[1], A[3]), 10, 1e-12);
    }
    // Basket 0, to two decimals.
    const double nearFace[4][3] = {
        {0, 45.00, 53.62}, {5, 40.02, 54.06}, {0, 35.04, 54.49}, {-5, 40.02, 54.06}};
    const double farFace[4][3] = {
        {0, 45.44, 58.60}, {5, 40.46, 59.04}, {0, 35.48, 59.48}, {-5, 40.46, 59.04}};
    for (int k = 0; k < 4; k++) {
        EXPECT_NEAR(cubes[0][k].m_x, nearFace[k][0], 0.005);
        EXPECT_NEAR(cubes[0][k].m_y, nearFace[k][1], 0.005);
        EXPECT_NEAR(cubes[0][k].m_z, nearFace[k][2], 0.005);
        EXPECT_NEAR(cubes[1][k].m_x, farFace[k][0], 0.005);
        EXPECT_NEAR(cubes[1][k].m_y, farFace[k][1], 0.005);
        EXPECT_NEAR(cubes[1][k].m_z, farFace[k][2], 0.005);
    }
}

// ---- Rotation ---------------------------------------------------------------------------------

TEST_F(RideScene, OneTurnKeepsHeightsAndRadiiAndCountsTheFrame)
{
    const PointLists ropes = konopci, boxes = cubes;
    rotateAll();
    EXPECT_EQ(NUM, 1);
    for (std::size_t l = 0; l < 8; l++) {
        for (std::size_t j = 0; j < ropes[l].size(); j++) {
            EXPECT_NEAR(konopci[l][j].m_y, ropes[l][j].m_y, 1e-12);
            EXPECT_NEAR(horizontalDistance(konopci[l][j]), horizontalDistance(ropes[l][j]), 1e-12);
        }
        for (std::size_t k = 0; k < 4; k++) {
            EXPECT_NEAR(cubes[l][k].m_y, boxes[l][k].m_y, 1e-12);
            EXPECT_NEAR(horizontalDistance(cubes[l][k]), horizontalDistance(boxes[l][k]), 1e-12);
        }
    }
    // A point on +Z moves towards +X: counter-clockwise seen from above.
    const Vector3D c = centreOf(konopci[1], 360);
    EXPECT_NEAR(std::atan2(c.m_x, c.m_z), kPi / 180, 1e-12);
}

TEST_F(RideScene, NinetyTurnsBringRopeZeroWhereRopeThreeStarted)
{
    const PointList rope3 = konopci[7], basket3 = cubes[6];
    for (int i = 0; i < 90; i++)
        rotateAll();
    for (int j = 0; j < 360; j++)
        EXPECT_LT(distance(konopci[1][j], rope3[j]), 1e-9) << j;
    for (int k = 0; k < 4; k++)
        EXPECT_LT(distance(cubes[0][k], basket3[k]), 1e-9) << k;
}

TEST_F(RideScene, AFullTurnComesBackWithinRoundingWithTheApexFixedThroughout)
{
    const PointLists ropes = konopci, boxes = cubes;
    int reached360 = 0;
    for (int i = 0; i < 360; i++) {
        rotateAll();
        reached360 += NUM == 360;
        for (int p = 0; p < 4; p++)
            ASSERT_LT(distance(centreOf(konopci[2 * p], 360), Vector3D(0, 90, 0)), 1e-12)
                << "upper ring " << p << " after " << i + 1 << " turns";
    }
    EXPECT_EQ(reached360, 1);
    for (std::size_t l = 0; l < 8; l++) {
        for (std::size_t j = 0; j < 360; j++)
            EXPECT_LT(distance(konopci[l][j], ropes[l][j]), 1e-9);
        for (std::size_t k = 0; k < 4; k++)
            EXPECT_LT(distance(cubes[l][k], boxes[l][k]), 1e-9);
    }
    // The body does not turn.
    EXPECT_TRUE(sameBits(body[0][0], Vector3D(20, 0, 0)));
}

// ---- Colour -----------------------------------------------------------------------------------

// The three channels the generator gives after srand(seed), as the baskets take them.
void expectNextColourFromGenerator(unsigned seed)
{
    srand(seed);
    const float wantR = static_cast<float>((rand() % 100) / 100.0);
    const float wantG = static_cast<float>((rand() % 100) / 100.0);
    const float wantB = static_cast<float>((rand() % 100) / 100.0);
    srand(seed);
    drawCubes();
    EXPECT_EQ(NUM, 0);
    EXPECT_EQ(r, wantR);
    EXPECT_EQ(g, wantG);
    EXPECT_EQ(b, wantB);
    for (float channel : {r, g, b}) {
        const double hundredths = channel * 100.0;
        EXPECT_NEAR(hundredths, std::round(hundredths), 1e-4);
        EXPECT_GE(channel, 0.0f);
        EXPECT_LE(channel, 0.99f);
    }
}

TEST_F(RideScene, BasketsStayYellowUpToFrame359)
{
    NUM = 359;
    drawCubes();
    EXPECT_EQ(NUM, 359);
    EXPECT_EQ(r, 1.0f);
    EXPECT_EQ(g, 1.0f);
    EXPECT_EQ(b, 0.0f);
}

TEST_F(RideScene, BasketsTakeTheGeneratorsNextThreeNumbersAt360AndAbove)
{
    NUM = 360;
    expectNextColourFromGenerator(0);
    NUM = 1000;
    expectNextColourFromGenerator(12345);
}

TEST_F(RideScene, ColourChangesOncePerFullTurnOfFrames)
{
    srand(0);
    int changes = 0;
    float last[3] = {r, g, b};
    for (int frame = 1; frame <= 720; frame++) {
        rotateAll();
        drawCubes();
        if (r != last[0] || g != last[1] || b != last[2] || NUM == 0) {
            changes++;
            EXPECT_TRUE(frame == 360 || frame == 720) << "colour changed in frame " << frame;
        }
        last[0] = r;
        last[1] = g;
        last[2] = b;
    }
    EXPECT_EQ(changes, 2);
}

} // namespace
