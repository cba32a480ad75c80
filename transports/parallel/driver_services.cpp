// The real service control manager behind DriverServices.
#include "driver_services.h"

const DriverServices& RealDriverServices()
{
    static const DriverServices real = {::OpenSCManagerA, ::OpenServiceA,   ::CreateServiceA, ::QueryServiceStatus,
                                        ::StartServiceA,  ::ControlService, ::DeleteService,  ::CloseServiceHandle};
    return real;
}
