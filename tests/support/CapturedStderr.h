#pragma once

#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>

namespace qvtest {

// Collects what is written to std::cerr while it lives, and puts the stream back afterwards.
class CapturedStderr {
public:
    CapturedStderr() : saved(std::cerr.rdbuf(captured.rdbuf())) {}
    ~CapturedStderr() { std::cerr.rdbuf(saved); }
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;

    std::string text() const { return captured.str(); }

private:
    std::ostringstream captured;
    std::streambuf* saved;
};

}  // namespace qvtest
