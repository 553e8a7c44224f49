// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AnalysisServices.h"
#include "BuildResult.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <initializer_list>
#include <optional>
#include <vector>

class QMenu;
class QWidget;

namespace kavrol {

class AnalysisWindow;

// The routes from the main window to the analysis window that leave the main window's layout
// alone: a context menu ("Анализ…", "Сохранить шаблон…") on the widgets it is given, the F2
// key (the analysis) and Ctrl+T (the template) anywhere in the main window, and a line for the end
// of the efficiency's tool tip. It keeps the last good build and the one analysis window, made when
// first needed, and closes that window when the main window closes.
class AnalysisLink : public QObject {
    Q_OBJECT
public:
    AnalysisLink(QWidget& mainWindow, std::initializer_list<QWidget*> menuOwners,
                 AnalysisServices services = {});
    ~AnalysisLink() override;

    // The tool tip's last line, telling how to open the analysis.
    static QString toolTipLine();

    // The analysis window, or null before it is first needed.
    AnalysisWindow* window() const;
    // The context menu's actions on a new menu (the caller owns it).
    QMenu* createMenu(QWidget* parent);

public slots:
    // A successful build of the main window; the analysis window follows it.
    void recordBuild(const kavrol::BuildResult& build);
    // Shows the analysis window (made on first use) and brings it to the front.
    void openAnalysis();
    // The cutting template of the last good build, through the analysis window's dialog.
    void saveTemplate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AnalysisWindow& ensureWindow();

    QWidget& main_;
    AnalysisServices services_;
    QPointer<AnalysisWindow> window_;
    std::optional<BuildResult> last_;
};

} // namespace kavrol
