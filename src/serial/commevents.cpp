#include "serial/commevents.h"

CommEventInfo describeCommEvent(int code)
{
    using Kind = CommEventInfo::Kind;
    switch (code) {
    case 2: return {Kind::Receive, {}};
    case 1: return {Kind::Nothing, {}};
    case 3: return {Kind::Event, QStringLiteral("Change in CTS Detected")};
    case 4: return {Kind::Event, QStringLiteral("Change in DSR Detected")};
    case 5: return {Kind::Event, QStringLiteral("Change in CD Detected")};
    case 6: return {Kind::Event, QStringLiteral("The Phone is Ringing")};
    case 7: return {Kind::Event, QStringLiteral("End of File Detected")};
    case 1001: return {Kind::Error, QStringLiteral("Break Received")};
    case 1002: return {Kind::Error, QStringLiteral("CTS Timeout")};
    case 1003: return {Kind::Error, QStringLiteral("DSR Timeout")};
    case 1004: return {Kind::Error, QStringLiteral("Framing Error")};
    case 1006: return {Kind::Error, QStringLiteral("Overrun Error")};
    case 1007: return {Kind::Error, QStringLiteral("Carrier Detect Timeout")};
    case 1008: return {Kind::Error, QStringLiteral("Receive Buffer Overflow")};
    case 1009: return {Kind::Error, QStringLiteral("Parity Error")};
    case 1010: return {Kind::Error, QStringLiteral("Transmit Buffer Full")};
    case 1011: return {Kind::Error, QStringLiteral("Error retrieving DCB")};
    default: return {Kind::Error, QStringLiteral("Unknown error or event")};
    }
}
