// cockpit_keys_model.h: what the cockpit prints for each key, worked out from its key
// table on a model camera of plain doubles and a heading. Shared by the unit and the
// end-to-end tests.
#ifndef TESTS_COCKPIT_KEYS_MODEL_H
#define TESTS_COCKPIT_KEYS_MODEL_H

#include <sstream>
#include <string>
#include <vector>

#include "matrix4x4.h"

namespace cockpit_model {

// The eye point as the key table moves it: each move adds its step to every coordinate
// (adding +0.0 to the negative zero of the start gives +0.0). The look-at point the eye
// would have without turns moves along, and the heading counts turns of 5 degrees to the
// left, one number per heading (-35..36).
struct Camera {
    double x = -0.0, y = 1.0, z = 8.9;
    double aheadX = 0.0, aheadY = 1.0, aheadZ = 0.0;
    int heading = 0;

    void move(double dx, double dy, double dz)
    {
        x += dx;
        y += dy;
        z += dz;
        aheadX += dx;
        aheadY += dy;
        aheadZ += dz;
    }
    void turn(int steps)
    {
        heading += steps;
        if (heading > 36)
            heading -= 72;
        if (heading <= -36)
            heading += 72;
    }
    // A step forward: 0.1 towards -z at heading 0, as before any turn. Turned, 0.1 along
    // the unit vector from the eye to the look-at point, which is the unturned one turned
    // by the library's rotation about the vertical line through the eye.
    void forward()
    {
        if (heading == 0) {
            move(0.0, 0.0, -0.1);
            return;
        }
        Matrix4x4 turn;
        turn.loadRotate(Vector3D(x, y, z), Vector3D(0.0, 1.0, 0.0),
                        heading * (3.141592653589793 / 36.0));
        Vector3D look = turn.Transform(Vector3D(aheadX, aheadY, aheadZ)) - Vector3D(x, y, z);
        look.Normalize();
        move(0.1 * look.m_x, 0.1 * look.m_y, 0.1 * look.m_z);
    }
    // "(x,y,z)" with the stream's default floating-point format.
    std::string line() const
    {
        std::ostringstream s;
        s << "(" << x << "," << y << "," << z << ")";
        return s.str();
    }
};

// The lines that key `key` prints, moving `camera` as the key does. Escape (27) prints
// nothing here; it ends the program.
inline std::vector<std::string> linesForKey(unsigned char key, Camera& camera)
{
    std::vector<std::string> lines;
    switch (key) {
    case 27:
        return lines;
    case '2':
        lines.push_back("j pressed -> SpeedDown");
        camera.move(0.0, -0.1, 0.0);
        break;
    case '4':
        lines.push_back("4 pressed -> turning left");
        camera.turn(1);
        break;
    case '5':
        camera.forward();
        lines.push_back("u pressed -> SpeedUp");
        break;
    case '6':
        lines.push_back("6 pressed -> turning right");
        camera.turn(-1);
        break;
    case '8':
        camera.move(0.0, 0.1, 0.0);
        break;
    case 'a':
        camera.turn(1);
        break;
    case 'd':
        camera.turn(-1);
        break;
    default: // the keys without an action
        break;
    }
    lines.push_back(camera.line());
    return lines;
}

// The lines joined, each ended with a line end, as they appear on standard output.
inline std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    return text;
}

} // namespace cockpit_model

#endif // TESTS_COCKPIT_KEYS_MODEL_H
