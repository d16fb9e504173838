// One row of the tables that pair the bytes of a name or path with the text
// the player shows or uses for it.
#pragma once

#include <QByteArray>
#include <QString>

struct BytesAndText {
    QByteArray bytes;
    QString text;
};
