// The program block: one instance at a time, the main window, the event loop.

#include "platform/single_instance.h"
#include "ui/close_requests.h"
#include "ui/error_box.h"
#include "ui/uMain_Tarnwick.h"

int main(int argc, char** argv) {
    tarnwick::ui::TTarnwickApplication app(argc, argv); // titled "Tarnwick Hub"
    // Before anything can show a box that would keep a SIGTERM waiting.
    tarnwick::ui::InstallEndRequestHandlers();

    // A second start ends at once and touches nothing.
    tarnwick::TSingleInstance instance;
    if (!instance.TryAcquire())
        return 0;

    TfmTarnwickHub fmTarnwickHub;
    // Asked to end while the window was being created: it closes unshown.
    if (tarnwick::ui::EndRequestedFromOutside())
        return 0;
    fmTarnwickHub.show();
    tarnwick::ui::CloseOnEndRequests(&fmTarnwickHub);
    app.exec();
    return 0;
}
