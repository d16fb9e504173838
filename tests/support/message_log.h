// The message boxes a test run showed, as QUAVERLY_MESSAGE_LOG records them.
#pragma once

#include "support/fixtures.h"

#include <QString>
#include <QStringList>
#include <string>

namespace testsupport {

// One text per box, in the order they were shown; empty without a log.
inline QStringList loggedMessages(const std::string& logPath) {
    return QString::fromStdString(readFile(logPath)).split('\n', Qt::SkipEmptyParts);
}

} // namespace testsupport
