#include "InstallEngine.h"

namespace install {

void CInstallEngine::InstallArchive(const std::string& archivePath) {
    ++m_nArchiveCounter;
    Log("\r\nZip File Found: " + archivePath + "\r\n");
    // Archives are not read yet; say so instead of passing over them.
    Log("Zip archives are not supported yet; " + archivePath + " was not installed.\r\n");
    ++m_nErrorCount;
}

}  // namespace install
