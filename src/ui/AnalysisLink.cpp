// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalysisLink.h"

#include "AnalysisWindow.h"

#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <QWidget>

namespace kavrol {

namespace {

// The template's key, in the main window and the analysis window alike.
QKeySequence TemplateKey() {
    return QKeySequence(Qt::CTRL | Qt::Key_T);
}

} // namespace

AnalysisLink::AnalysisLink(QWidget& mainWindow, std::initializer_list<QWidget*> menuOwners,
                           AnalysisServices services)
    : QObject(&mainWindow), main_(mainWindow), services_(std::move(services)) {
    setObjectName(QStringLiteral("AnalysisLink"));
    auto* key = new QShortcut(QKeySequence(Qt::Key_F2), &mainWindow);
    key->setObjectName(QStringLiteral("AnalysisShortcut"));
    key->setContext(Qt::WindowShortcut);
    connect(key, &QShortcut::activated, this, &AnalysisLink::openAnalysis);
    auto* sheetKey = new QShortcut(TemplateKey(), &mainWindow);
    sheetKey->setObjectName(QStringLiteral("TemplateShortcut"));
    sheetKey->setContext(Qt::WindowShortcut);
    connect(sheetKey, &QShortcut::activated, this, &AnalysisLink::saveTemplate);
    for (QWidget* owner : menuOwners) {
        owner->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(owner, &QWidget::customContextMenuRequested, this, [this, owner](QPoint at) {
            QMenu* menu = createMenu(owner);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(owner->mapToGlobal(at));
        });
    }
    mainWindow.installEventFilter(this);
}

AnalysisLink::~AnalysisLink() {
    delete window_.data();
}

AnalysisWindow* AnalysisLink::window() const {
    return window_.data();
}

QString AnalysisLink::toolTipLine() {
    return QStringLiteral("Анализ: клавиша F2 или правая кнопка мыши");
}

QMenu* AnalysisLink::createMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("AnalysisMenu"));
    QAction* analysis =
        menu->addAction(QStringLiteral("Анализ..."), this, &AnalysisLink::openAnalysis);
    analysis->setShortcut(QKeySequence(Qt::Key_F2));
    analysis->setObjectName(QStringLiteral("OpenAnalysis"));
    QAction* sheet =
        menu->addAction(QStringLiteral("Сохранить шаблон..."), this, &AnalysisLink::saveTemplate);
    sheet->setShortcut(TemplateKey());
    sheet->setObjectName(QStringLiteral("SaveTemplate"));
    sheet->setEnabled(last_.has_value());
    return menu;
}

void AnalysisLink::recordBuild(const BuildResult& build) {
    last_ = build;
    if (window_) {
        window_->follow(build);
    }
}

AnalysisWindow& AnalysisLink::ensureWindow() {
    if (!window_) {
        // A window of its own, owned by the link: it is not a child drawn inside the main
        // window, and it goes when the main window goes.
        window_ = new AnalysisWindow(services_);
        window_->setWindowIcon(main_.windowIcon());
        if (last_) {
            window_->follow(*last_);
        }
    }
    return *window_;
}

void AnalysisLink::openAnalysis() {
    AnalysisWindow& window = ensureWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

void AnalysisLink::saveTemplate() {
    ensureWindow().saveTemplate();
}

bool AnalysisLink::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &main_ && event->type() == QEvent::Close && window_) {
        window_->close();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kavrol
