#include "InstallerApp.h"

int main(int argc, char** argv) {
    app::CInstallerApp application(argc, argv);
    application.InitInstance();
    return 0;
}
