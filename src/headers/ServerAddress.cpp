#include "headers/ServerAddress.h"

#include "headers/ConvertError.h"
#include "headers/SjisText.h"

TServerAddress TServerAddress::Parse(const std::string& server) {
    TServerAddress address;
    const std::string text = SjisText::Trim(server);
    const size_t colon = text.find(':');
    address.Host = SjisText::Trim(text.substr(0, colon));
    if (colon == std::string::npos) return address;
    address.NamesPort = true;
    address.PortText = SjisText::Trim(text.substr(colon + 1));
    int32_t port = 0;
    if (SjisText::ToInt32(address.PortText, port)) address.Port = port;
    return address;
}

uint16_t TServerAddress::ConnectPort(uint16_t none) const {
    if (!NamesPort) return none;
    if (!Port) throw EConvertError(PortText);
    return static_cast<uint16_t>(static_cast<uint32_t>(*Port) & 0xFFFFu);
}
