// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the shape illustration loader, driven through the main window: the input is
// written as the selected shape's bitmap file in the working directory and the window's list
// close-up handler loads it. A load either shows the picture that the file holds and sets the C
// field for the shape, or reports "Bitmap image is not valid." and leaves the shown illustration
// and the C field exactly as they were. Anything else (another message, a crash, a hang) is a
// finding.
//
// Input layout: one byte (bits 0-1 the shape, 0 to 2; bit 2 whether the C field starts enabled),
// then the file's bytes. Qt's image codecs are not instrumented, so coverage guides the search
// only through the window's own code; AddressSanitizer still sees crashes in the codecs.

#include "CompletingComboBox.h"
#include "IntegerSpinEdit.h"
#include "ShapeIllustration.h"
#include "TMainFrm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

QStringList* errors = nullptr;
kavrol::TMainFrm* window = nullptr;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    if (errors)
        for (const QString& e : *errors)
            std::fprintf(stderr, "  reported: %s\n", qPrintable(e));
    std::abort();
}

// The window's controls by their object names.
template <typename T> T* Control(const char* name) {
    return window->findChild<T*>(QLatin1String(name));
}
QLabel* Illustration() {
    return Control<QLabel>("RefType");
}
kavrol::CompletingComboBox* ShapeList() {
    return Control<kavrol::CompletingComboBox>("RefTypeBox");
}
kavrol::IntegerSpinEdit* CField() {
    return Control<kavrol::IntegerSpinEdit>("RefC");
}

QImage Shown() {
    return Illustration()->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* application = new QApplication(*argc, *argv);
    (void)application;
    // A working directory of its own, where the loader looks first.
    static QByteArray folder = QDir::tempPath().toUtf8() + "/kavrol-fuzz-illustration-XXXXXX";
    if (!::mkdtemp(folder.data()) || !QDir::setCurrent(QString::fromUtf8(folder)))
        std::abort();
    errors = new QStringList;
    kavrol::WindowServices services;
    services.reportError = [](const QString& text) { *errors << text; };
    services.dotsPerInch = 96;
    window = new kavrol::TMainFrm(services);
    if (!errors->isEmpty())
        Fail("the window's start-up reported an error");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int shape = (data[0] & 3) % 3;
    const bool cEnabled = (data[0] & 4) != 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));
    const QString name = kavrol::ShapeIllustration::fileName(shape);
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            Fail("the input could not be written as the shape's file");
    }

    ShapeList()->setCurrentIndex(shape);
    CField()->setEnabled(cEnabled);
    const qint64 keyBefore = Illustration()->pixmap().cacheKey();
    const QImage before = Shown();
    errors->clear();

    window->ChangeRefType();

    // The same file gives the same picture every time: pixels that the loader did not set would
    // differ between two loads into differently used memory.
    QImage expected;
    bool decodes = true;
    try {
        expected = kavrol::ShapeIllustration::load(name);
    } catch (const std::exception&) {
        decodes = false;
    }
    if (errors->size() > 1)
        Fail("one close-up reported more than one error");
    if (errors->isEmpty()) {
        if (!decodes)
            Fail("a file that is no bitmap was shown");
        if (Shown() != expected.convertToFormat(QImage::Format_RGB32)) {
            std::fprintf(stderr, "shown %dx%d, file %dx%d, shape %d, list %d\n", Shown().width(),
                         Shown().height(), expected.width(), expected.height(), shape,
                         ShapeList()->currentIndex());
            Fail("the shown illustration is not the file's picture");
        }
        if (CField()->isEnabled() != (shape != 1))
            Fail("a successful load did not set the C field for the shape");
    } else {
        if (errors->front() != QStringLiteral("Bitmap image is not valid."))
            Fail("a damaged file gave another message");
        if (Illustration()->pixmap().cacheKey() != keyBefore || Shown() != before)
            Fail("a refused file changed the shown illustration");
        if (CField()->isEnabled() != cEnabled)
            Fail("a refused file changed the C field");
    }
    return 0;
}
