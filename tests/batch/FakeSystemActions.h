#pragma once
// System actions that only record what was asked: no test may open a file browser or shut
// the computer down.
#include "batch/BatchController.h"

#include <string>
#include <vector>

namespace orvel::test {

class TFakeSystemActions : public ISystemActions {
public:
    std::vector<std::string> Calls; // "open <folder>", "shutdown"
    void OpenFolder(const std::string& folder) override { Calls.push_back("open " + folder); }
    void OpenAddress(const std::string& url) override { Calls.push_back("address " + url); }
    void ShutDown() override { Calls.push_back("shutdown"); }
};

} // namespace orvel::test
