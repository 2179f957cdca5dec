#include "Process.h"

#include <gtest/gtest.h>

namespace quarvel::test {

void RunTool(const std::string& workingFolder, const std::vector<std::string>& arguments) {
    ASSERT_FALSE(arguments.empty());
    const SProcessResult result =
        RunProcess(arguments[0], {arguments.begin() + 1, arguments.end()}, workingFolder);
    ASSERT_EQ(result.m_nExitStatus, 0) << arguments[0] << " failed in " << workingFolder << ":\n"
                                       << result.m_strOut << result.m_strErr;
}

}  // namespace quarvel::test
