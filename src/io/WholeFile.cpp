// SPDX-License-Identifier: GPL-3.0-or-later
#include "WholeFile.h"

#include "PendingFile.h"

namespace kavrol::WholeFile {

void write(const QString& path, const QByteArray& bytes) {
    PendingFile(path).commit(bytes);
}

} // namespace kavrol::WholeFile
