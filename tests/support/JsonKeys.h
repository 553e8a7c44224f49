// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading the command line's JSON in tests: the document's object and its keys in sorted order,
// so a test can compare a report's keys against a list written in any order.
#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <algorithm>
#include <string>
#include <vector>

namespace kavrol::test {

inline QJsonObject Json(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

inline std::vector<QString> Sorted(std::vector<QString> keys) {
    std::sort(keys.begin(), keys.end());
    return keys;
}

inline std::vector<QString> Keys(const QJsonObject& object) {
    const QStringList keys = object.keys();
    return Sorted(std::vector<QString>(keys.begin(), keys.end()));
}

} // namespace kavrol::test
