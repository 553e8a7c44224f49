// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "BuildResult.h"
#include "WindowServices.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace kavrol {

class AnalysisLink;
class CompletingComboBox;
class EfficiencyField;
class IntegerSpinEdit;
class OpticalModel;
class RealSpinEdit;

// Kavrol's only window: the inputs of a lamp design, the build and save buttons, the efficiency,
// the picture of the chosen reflector shape and the view of the scene. It owns the optical model
// for its whole life and runs one build before it is first shown.
class TMainFrm : public QWidget {
    Q_OBJECT
public:
    // The program's inputs stay as the window's stored defaults until the user changes them.
    explicit TMainFrm(WindowServices services = {}, QWidget* parent = nullptr);
    ~TMainFrm() override;

    // The model the window drives; null after Exit or when Init could not create it.
    const OpticalModel* model() const { return model_.get(); }
    // The screen density the picture was made for.
    int dotsPerInch() const { return dotsPerInch_; }

    // Places the window in the middle of its screen.
    void centreOnScreen();

public slots:
    // Start-up: sizes the picture to the screen, disables C and runs the first build.
    void Init();
    // The build pass with the current control values.
    void PaintRef();
    // Loads the picture of the selected shape and enables C for the shapes that use it.
    void ChangeRefType();
    // Writes the picture of the last build to a BMP file the user names.
    void SaveAs();
    // Releases the model when the window closes.
    void Exit();

signals:
    // A build pass succeeded: its inputs, losses and efficiency.
    void built(const kavrol::BuildResult& result);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The controls, under the names the handlers know them by; they are also their object
    // names.
    QGroupBox* GroupBox1 = nullptr;
    IntegerSpinEdit* RefA = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    IntegerSpinEdit* Lamp = nullptr;
    QPushButton* RefCreate = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QCheckBox* GridVisible = nullptr;
    QCheckBox* RayVisible = nullptr;
    QCheckBox* LampVisible = nullptr;
    QPushButton* RefSave = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QLabel* Ref = nullptr;
    QLabel* RefType = nullptr;
    IntegerSpinEdit* RefB = nullptr;
    IntegerSpinEdit* RefC = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    CompletingComboBox* RefTypeBox = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    CompletingComboBox* LampTypeBox = nullptr;
    QGroupBox* GroupBox7 = nullptr;
    CompletingComboBox* MBox = nullptr;
    QGroupBox* GroupBox8 = nullptr;
    RealSpinEdit* Albedo = nullptr;
    QGroupBox* GroupBox9 = nullptr;
    EfficiencyField* KpdBox = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QLabel* Label4 = nullptr;
    IntegerSpinEdit* AquaW = nullptr;
    IntegerSpinEdit* LampH = nullptr;
    QLabel* StaticText1 = nullptr;

    void createControls();
    void createDesignInputs();
    void createContextInputs();
    void createReadout();
    void createButtonsAndView();
    // The design inputs as the controls hold them.
    BuildInputs readInputs() const;
    void setTabOrder();
    void showPicture();
    void showLosses();
    // Runs one handler; an error ends it and goes to the error channel.
    template <typename Handler> void guarded(Handler&& handler);
    void reportError(const QString& text);
    // Throws when there is no model to build or save: Exit released it, or Init could not
    // create it (an unusable screen density, say).
    void requireModel() const;

    WindowServices services_;
    std::unique_ptr<OpticalModel> model_;
    bool released_ = false;
    int dotsPerInch_ = 96;
    // The routes to the analysis window: context menus, F2, the tool tip's last line.
    AnalysisLink* analysis_ = nullptr;
};

} // namespace kavrol
