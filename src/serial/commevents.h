#pragma once

#include <QString>

// What a notification code of the serial component means to the receive path.
struct CommEventInfo
{
    enum class Kind { Receive, Nothing, Event, Error };
    Kind kind;
    QString message; // empty for Receive and Nothing
};

CommEventInfo describeCommEvent(int code);
