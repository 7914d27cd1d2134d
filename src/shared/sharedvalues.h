#pragma once

#include <QString>

#include <variant>

// The number-or-text value the upload waits on: 0 while waiting, the text of
// the latest receive notification, or 1 from the time-out tick.
using BoardReplyValue = std::variant<int, QString>;

// The program's shared values. The main window owns the one instance and hands
// references to whoever needs them; nothing else keeps a copy.
struct SharedValues
{
    QString StartAddress;
    bool Echo = false;
    QString HexFilePath;
    QString HexFileTitle;
    QString HexLine;
    bool TransferActive = false;
    bool TransferAbort = false;
    BoardReplyValue BoardReply = 0;
};

// The reply as text, the way the upload judges it: the number 1 reads "1".
inline QString boardReplyText(const BoardReplyValue &reply)
{
    if (const auto *number = std::get_if<int>(&reply))
        return QString::number(*number);
    return std::get<QString>(reply);
}

inline bool boardReplyIsNumber(const BoardReplyValue &reply, int number)
{
    const auto *value = std::get_if<int>(&reply);
    return value && *value == number;
}
