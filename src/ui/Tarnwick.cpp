// The program block: one instance at a time, the main window, the event loop.

#include "platform/single_instance.h"
#include "ui/close_requests.h"
#include "ui/error_box.h"
#include "ui/uMain_Tarnwick.h"

int main(int argc, char** argv) {
    tarnwick::ui::TTarnwickApplication app(argc, argv); // titled "Tarnwick Hub"

    // A second start ends at once and touches nothing.
    tarnwick::TSingleInstance instance;
    if (!instance.TryAcquire())
        return 0;

    TfmTarnwickHub fmTarnwickHub;
    fmTarnwickHub.show();
    tarnwick::ui::CloseOnEndRequests(&fmTarnwickHub);
    app.exec();
    return 0;
}
