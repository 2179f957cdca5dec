// Big files show how far their unpacking has come, apart from the log; small
// ones show nothing.

#include <vector>

#include "EngineTest.h"
#include "Process.h"

using namespace quarvel::test;

namespace {

class CRecordingProgress : public platform::CProgressSink {
  public:
    void ShowProgress(const std::string& name, int percent) override {
        m_calls.push_back(name + " " + std::to_string(percent));
        EXPECT_GE(percent, 0);
        EXPECT_LE(percent, 100);
        EXPECT_FALSE(m_bEnded) << "shown after its end";
    }
    void EndProgress() override {
        m_calls.push_back("end");
        m_bEnded = true;
    }

    std::vector<std::string> m_calls;
    bool m_bEnded = false;
};

}  // namespace

using Progress = CEngineTest;

TEST_F(Progress, BigFilesShowTheirProgressAndTheLogStaysAsItWas) {
    // 24 MiB of zeros compress to little, so the archives stay small.
    RunTool(m_temp.Path(), {"python3", "-c",
                            "import zipfile\n"
                            "with zipfile.ZipFile('big.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
                            "    z.writestr('maps/big.bsp', bytes(24 << 20))\n"
                            "    z.writestr('maps/big.txt', 'small')\n"});
    MakeFolder(m_temp / "tarred/maps");
    RunTool(m_temp.Path(), {"sh", "-c",
                            "head -c 25165824 /dev/zero > tarred/maps/other.bsp && "
                            "bsdtar -czf other.tar.gz -C tarred ."});
    CRecordingProgress progress;
    m_engine.SetProgressSink(&progress);

    Drop({"big.zip"});
    ASSERT_FALSE(progress.m_calls.empty());
    EXPECT_EQ(progress.m_calls.front().rfind("big.bsp ", 0), 0u) << progress.m_calls.front();
    EXPECT_EQ(progress.m_calls.back(), "end");
    EXPECT_EQ(Log().find('%'), std::string::npos) << "the log is not where progress goes";

    progress.m_calls.clear();
    progress.m_bEnded = false;
    Drop({"other.tar.gz"});
    ASSERT_FALSE(progress.m_calls.empty());
    EXPECT_EQ(progress.m_calls.front().rfind("other.bsp ", 0), 0u);
    EXPECT_EQ(progress.m_calls.back(), "end");
    EXPECT_EQ(ReadFile(Mod("maps/other.bsp")).size(), 24u << 20);
}
