#pragma once

#include <QJsonObject>
#include <QString>

// What tovractl prints: for people, one "name: value unit" line per value (nested names joined
// with dots); with --json, the object as one line of JSON.
QString readableLines(const QJsonObject &object);
QString jsonLine(const QJsonObject &object);
