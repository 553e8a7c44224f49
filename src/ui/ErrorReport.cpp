// SPDX-License-Identifier: GPL-3.0-or-later
#include "ErrorReport.h"

#include <QMessageBox>

namespace kavrol {

QString ErrorReport::title() {
    return QStringLiteral("Kavrol");
}

QString ErrorReport::withFullStop(const QString& text) {
    if (!text.isEmpty() && text.back().unicode() > u'.')
        return text + QLatin1Char('.');
    return text;
}

std::unique_ptr<QMessageBox> ErrorReport::createBox(QWidget* parent, const QString& text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, title(), withFullStop(text),
                                             QMessageBox::Ok, parent);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    return box;
}

void ErrorReport::show(QWidget* parent, const QString& text) {
    createBox(parent, text)->exec();
}

} // namespace kavrol
