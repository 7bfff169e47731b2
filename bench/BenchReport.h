#pragma once

// One way for every benchmark program to say whether a figure meets its goal, readable by a
// person and by a script. Each verdict prints one line such as
//   VERDICT page/warnings: 31250 frames/s, goal >= 30000: met
//   VERDICT page/warnings: 23313 frames/s, goal >= 30000: short by 22.3%
// and every figure is also collected into one summary line printed at exit:
//   BENCH-SUMMARY {"program":"bench_monitor","figures":[{"name":...,"value":...,...}]}
// When KOLZ_BENCH_JSON names a file, the same JSON object is appended to it as one line, so runs
// can be compared. `failures()` counts the goals not met; a program returns `exitStatus()`, which
// fails on them only when KOLZ_BENCH_STRICT asks for it (the figures wander with the machine's
// load).

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace kolz::bench {

enum class Better
{
    Higher,
    Lower
};

struct Figure
{
    std::string name;
    double value = 0;
    std::string unit;
    bool hasGoal = false;
    double goal = 0;
    Better better = Better::Higher;
    bool met = true;
};

class Report
{
public:
    explicit Report(std::string program) : m_program(std::move(program)) {}
    ~Report() { printSummary(); }
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // A figure without a goal (a floor, a count): recorded, printed by the caller as it likes.
    void figure(const std::string& name, double value, const std::string& unit)
    {
        m_figures.push_back(Figure{name, value, unit});
    }

    // A figure with a goal: prints its verdict line and records it. Returns whether it was met.
    bool verdict(const std::string& name, double value, const std::string& unit, double goal,
                 Better better)
    {
        Figure f{name, value, unit, true, goal, better, false};
        f.met = better == Better::Higher ? value >= goal : value <= goal;
        std::printf("VERDICT %s: %.6g %s, goal %s %.6g: ", name.c_str(), value, unit.c_str(),
                    better == Better::Higher ? ">=" : "<=", goal);
        if (f.met) {
            std::printf("met\n");
        } else {
            const double shortBy =
                goal == 0 ? 100.0 : std::fabs(value - goal) / std::fabs(goal) * 100.0;
            std::printf("short by %.1f%%\n", shortBy);
        }
        std::fflush(stdout);
        m_figures.push_back(f);
        return f.met;
    }

    int failures() const
    {
        int n = 0;
        for (const Figure& f : m_figures)
            n += f.hasGoal && !f.met;
        return n;
    }

    // What main returns: 0, unless KOLZ_BENCH_STRICT is set (to anything but 0) and a goal was
    // not met. A crash or a broken setup is a failure either way.
    int exitStatus() const
    {
        const char* strict = std::getenv("KOLZ_BENCH_STRICT");
        return strict && *strict && std::string(strict) != "0" && failures() > 0 ? 1 : 0;
    }

    std::string json() const
    {
        std::string out = "{\"program\":\"" + escaped(m_program) + "\",\"figures\":[";
        for (size_t i = 0; i < m_figures.size(); ++i) {
            const Figure& f = m_figures[i];
            char value[64];
            std::snprintf(value, sizeof value, "%.9g", f.value);
            out += (i ? ",{" : "{");
            out += "\"name\":\"" + escaped(f.name) + "\",\"value\":" + value + ",\"unit\":\"" +
                   escaped(f.unit) + "\"";
            if (f.hasGoal) {
                std::snprintf(value, sizeof value, "%.9g", f.goal);
                out += std::string(",\"goal\":") + value + ",\"better\":\"" +
                       (f.better == Better::Higher ? "higher" : "lower") +
                       "\",\"met\":" + (f.met ? "true" : "false");
            }
            out += "}";
        }
        return out + "]}";
    }

private:
    void printSummary() const
    {
        const std::string line = json();
        std::printf("BENCH-SUMMARY %s\n", line.c_str());
        std::fflush(stdout);
        if (const char* path = std::getenv("KOLZ_BENCH_JSON"); path && *path) {
            if (std::FILE* fp = std::fopen(path, "a")) {
                std::fprintf(fp, "%s\n", line.c_str());
                std::fclose(fp);
            }
        }
    }

    static std::string escaped(const std::string& text)
    {
        std::string out;
        for (char c : text) {
            if (c == '"' || c == '\\')
                out += '\\';
            if (static_cast<unsigned char>(c) >= 0x20)
                out += c;
        }
        return out;
    }

    std::string m_program;
    std::vector<Figure> m_figures;
};

} // namespace kolz::bench
