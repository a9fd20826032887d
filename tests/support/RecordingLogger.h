#pragma once

#include "dorsa/session/ILogger.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace dorsatest {

// Keeps every line the library logs, with its level.
class RecordingLogger final : public zvrtkDorsaServiceLayer::ILogger {
public:
    using Line = std::pair<int, std::string>;

    void Flush() override {}
    void Log(int level, const std::string& message) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.emplace_back(level, message);
    }

    std::vector<Line> Lines() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    // The lines logged at `level`, in order.
    std::vector<std::string> At(int level) const
    {
        std::vector<std::string> texts;
        for (const Line& line : Lines()) {
            if (line.first == level) {
                texts.push_back(line.second);
            }
        }
        return texts;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Line> m_lines;
};

} // namespace dorsatest
