#pragma once

#include "dorsa/session/Lifecycle.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace dorsatest {

// The content of a file under tests/fixtures.
inline std::string ReadFixture(const std::string& name)
{
    std::ifstream file(std::string(DORSA_FIXTURES_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file.good()) << "missing fixture " << name;
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// Runs each test between library start-up and shutdown.
class StartedLibrary : public ::testing::Test {
protected:
    void SetUp() override { zvrtkDorsaServiceLayer::Initialize(); }
    void TearDown() override { zvrtkDorsaServiceLayer::Shutdown(); }
};

} // namespace dorsatest
