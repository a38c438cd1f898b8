// cockpit_keys_model.h: what the cockpit prints for each key, worked out from its key
// table on a model camera of three doubles. Shared by the unit and the end-to-end tests.
#ifndef TESTS_COCKPIT_KEYS_MODEL_H
#define TESTS_COCKPIT_KEYS_MODEL_H

#include <sstream>
#include <string>
#include <vector>

namespace cockpit_model {

// The eye point as the key table moves it: each move adds its step to every coordinate
// (adding +0.0 to the negative zero of the start gives +0.0).
struct Camera {
    double x = -0.0, y = 1.0, z = 8.9;

    void move(double dx, double dy, double dz)
    {
        x += dx;
        y += dy;
        z += dz;
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
        break;
    case '5':
        camera.move(0.0, 0.0, -0.1);
        lines.push_back("u pressed -> SpeedUp");
        break;
    case '6':
        lines.push_back("6 pressed -> turning right");
        break;
    case '8':
        camera.move(0.0, 0.1, 0.0);
        break;
    default: // "a", "d" and the keys without an action
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
