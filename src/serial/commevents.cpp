// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/commevents.h"

CommEventInfo describeCommEvent(CommEventCode code)
{
    using Kind = CommEventInfo::Kind;
    using Code = CommEventCode;
    switch (code) {
    case Code::Receive: return {Kind::Receive, {}};
    case Code::Send: return {Kind::Nothing, {}};
    case Code::Cts: return {Kind::Event, QStringLiteral("Change in CTS Detected")};
    case Code::Dsr: return {Kind::Event, QStringLiteral("Change in DSR Detected")};
    case Code::Cd: return {Kind::Event, QStringLiteral("Change in CD Detected")};
    case Code::Ring: return {Kind::Event, QStringLiteral("The Phone is Ringing")};
    case Code::EndOfFile: return {Kind::Event, QStringLiteral("End of File Detected")};
    case Code::Break: return {Kind::Error, QStringLiteral("Break Received")};
    case Code::CtsTimeout: return {Kind::Error, QStringLiteral("CTS Timeout")};
    case Code::DsrTimeout: return {Kind::Error, QStringLiteral("DSR Timeout")};
    case Code::Frame: return {Kind::Error, QStringLiteral("Framing Error")};
    case Code::Overrun: return {Kind::Error, QStringLiteral("Overrun Error")};
    case Code::CdTimeout: return {Kind::Error, QStringLiteral("Carrier Detect Timeout")};
    case Code::ReceiveOverflow: return {Kind::Error, QStringLiteral("Receive Buffer Overflow")};
    case Code::Parity: return {Kind::Error, QStringLiteral("Parity Error")};
    case Code::TransmitFull: return {Kind::Error, QStringLiteral("Transmit Buffer Full")};
    case Code::DcbError: return {Kind::Error, QStringLiteral("Error retrieving DCB")};
    }
    return {Kind::Error, QStringLiteral("Unknown error or event")};
}
