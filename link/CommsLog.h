#pragma once

#include <QString>

// The comms log list: every line sent (" --> ") and received (" <-- ").
class CommsLog
{
public:
    virtual ~CommsLog() = default;
    virtual int count() const = 0;
    virtual void clear() = 0;
    virtual void append(const QString &line) = 0;
};
