// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The analysis window's failures in Russian. The libraries throw their failures in English, with
// the exact text the command line prints; the window puts them into Russian here, by the shape
// of each text, keeping the names, numbers and file names they carry.
namespace kavrol::WindowMessages {

// The Russian text of a failure's message: a file that cannot be written, a design the physical
// model refuses, a fixture file refused with its place (file, line, column, unit and key). A
// text already in Russian comes back as it is; one of no known shape gets a Russian sentence
// saying what kind of failure it was and where the full English text can be seen.
QString russian(const QString& english);

// The system's reason for a failed file operation in Russian ("No such file or directory"
// gives "нет такого файла или папки"); an unknown reason gives a sentence with its number.
QString systemReason(const QString& english);

} // namespace kavrol::WindowMessages
