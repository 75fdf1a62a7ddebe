#include "UsbTransport.h"

#include "DeviceMessages.h"

namespace seiran {

QString openCodeMessage(OpenCode code)
{
    switch (code) {
    case OpenCode::Opened: return {};
    case OpenCode::DriverUnavailable: return msg::kOpenDriverUnavailable;
    case OpenCode::NotFound: return msg::kOpenNotFound;
    case OpenCode::NotThisProduct: return msg::kOpenNotThisProduct;
    case OpenCode::SeveralAttached: return msg::kOpenSeveralAttached;
    }
    return msg::kOpenNotFound;
}

} // namespace seiran
