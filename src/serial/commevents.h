// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The serial component's notification codes: what happened on the line.
// Numbers are those users and the status texts have always known.
enum class CommEventCode : int {
    Send = 1,
    Receive = 2,
    Cts = 3,
    Dsr = 4,
    Cd = 5,
    Ring = 6,
    EndOfFile = 7,
    Break = 1001,
    CtsTimeout = 1002,
    DsrTimeout = 1003,
    Frame = 1004,
    Overrun = 1006,
    CdTimeout = 1007,
    ReceiveOverflow = 1008,
    Parity = 1009,
    TransmitFull = 1010,
    DcbError = 1011,
};

// What a notification means to the receive path.
struct CommEventInfo
{
    enum class Kind { Receive, Nothing, Event, Error };
    Kind kind;
    QString message; // empty for Receive and Nothing
};

CommEventInfo describeCommEvent(CommEventCode code);
