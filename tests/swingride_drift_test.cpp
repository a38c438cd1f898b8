// The swing ride turns by rewriting its rope and basket points one degree at a time, so
// rounding could build up over a long run. After many frames of the real rotateAll,
// every point must still be within 1e-6 of where the same number of exact turns puts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "ride.h"

namespace {

// Every rope and basket point, in order.
std::vector<Vector3D> ridePoints()
{
    std::vector<Vector3D> points;
    for (const PointLists* lists : {&konopci, &cubes})
        for (const PointList& list : *lists)
            points.insert(points.end(), list.begin(), list.end());
    return points;
}

// The largest distance between the ride's points now and `start` turned exactly by
// `degrees` about Y (from +X towards -Z), worked out in long double.
double worstDeviation(const std::vector<Vector3D>& start, long degrees)
{
    const long double pi = 3.141592653589793238462643383279502884L;
    const long double a = static_cast<long double>(degrees % 360) * pi / 180.0L;
    const long double c = std::cos(a), s = std::sin(a);
    const std::vector<Vector3D> now = ridePoints();
    double worst = 0.0;
    for (std::size_t i = 0; i < start.size(); i++) {
        const long double x = start[i].m_x, y = start[i].m_y, z = start[i].m_z;
        const long double dx = now[i].m_x - (c * x + s * z);
        const long double dy = now[i].m_y - y;
        const long double dz = now[i].m_z - (c * z - s * x);
        worst = std::max(worst, static_cast<double>(std::sqrt(dx * dx + dy * dy + dz * dz)));
    }
    return worst;
}

TEST(RideDrift, RopesAndBasketsStayOnTheirExactTurnsFor100000Frames)
{
    kreirajKonopce();
    const std::vector<Vector3D> start = ridePoints();
    ASSERT_EQ(start.size(), 2912u) << "8 rope rings of 360 points and 8 basket faces of 4";
    long frames = 0;
    for (const long checkpoint : {360L, 3600L, 100000L}) {
        for (; frames < checkpoint; frames++)
            rotateAll();
        const double worst = worstDeviation(start, frames);
        std::printf("after %6ld frames (%3ld degrees past whole turns): worst deviation %.3g\n",
                    frames, frames % 360, worst);
        EXPECT_LT(worst, 1e-6) << "after " << frames << " frames";
    }
    // A turn one step short is far from the exact one, so the comparison can tell.
    EXPECT_GT(worstDeviation(start, frames - 1), 1.0);
    NUM = 0;
}

} // namespace
