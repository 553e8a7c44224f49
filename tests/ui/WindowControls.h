// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CompletingComboBox.h"
#include "EfficiencyField.h"
#include "IntegerSpinEdit.h"
#include "RealSpinEdit.h"
#include "TMainFrm.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <gtest/gtest.h>

// The window's controls as the tests reach them: by their object names, which are the names the
// window's handlers know them by. A name that finds nothing fails the test.
class WindowControls {
    const kavrol::TMainFrm& window_;

    template <typename T> T* find(const char* name) const {
        T* child = window_.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << "no control named " << name;
        return child;
    }

public:
    explicit WindowControls(const kavrol::TMainFrm& window) : window_(window) {}

    QGroupBox* GroupBox1 = find<QGroupBox>("GroupBox1");
    kavrol::IntegerSpinEdit* RefA = find<kavrol::IntegerSpinEdit>("RefA");
    QGroupBox* GroupBox3 = find<QGroupBox>("GroupBox3");
    kavrol::IntegerSpinEdit* Lamp = find<kavrol::IntegerSpinEdit>("Lamp");
    QPushButton* RefCreate = find<QPushButton>("RefCreate");
    QGroupBox* GroupBox6 = find<QGroupBox>("GroupBox6");
    QCheckBox* GridVisible = find<QCheckBox>("GridVisible");
    QCheckBox* RayVisible = find<QCheckBox>("RayVisible");
    QCheckBox* LampVisible = find<QCheckBox>("LampVisible");
    QPushButton* RefSave = find<QPushButton>("RefSave");
    QScrollArea* ScrollBox1 = find<QScrollArea>("ScrollBox1");
    QLabel* Ref = find<QLabel>("Ref");
    QLabel* RefType = find<QLabel>("RefType");
    kavrol::IntegerSpinEdit* RefB = find<kavrol::IntegerSpinEdit>("RefB");
    kavrol::IntegerSpinEdit* RefC = find<kavrol::IntegerSpinEdit>("RefC");
    QLabel* Label1 = find<QLabel>("Label1");
    QLabel* Label2 = find<QLabel>("Label2");
    QLabel* Label3 = find<QLabel>("Label3");
    QGroupBox* GroupBox2 = find<QGroupBox>("GroupBox2");
    kavrol::CompletingComboBox* RefTypeBox = find<kavrol::CompletingComboBox>("RefTypeBox");
    QGroupBox* GroupBox4 = find<QGroupBox>("GroupBox4");
    kavrol::CompletingComboBox* LampTypeBox = find<kavrol::CompletingComboBox>("LampTypeBox");
    QGroupBox* GroupBox7 = find<QGroupBox>("GroupBox7");
    kavrol::CompletingComboBox* MBox = find<kavrol::CompletingComboBox>("MBox");
    QGroupBox* GroupBox8 = find<QGroupBox>("GroupBox8");
    kavrol::RealSpinEdit* Albedo = find<kavrol::RealSpinEdit>("Albedo");
    QGroupBox* GroupBox9 = find<QGroupBox>("GroupBox9");
    kavrol::EfficiencyField* KpdBox = find<kavrol::EfficiencyField>("KpdBox");
    QGroupBox* GroupBox5 = find<QGroupBox>("GroupBox5");
    QLabel* Label4 = find<QLabel>("Label4");
    kavrol::IntegerSpinEdit* AquaW = find<kavrol::IntegerSpinEdit>("AquaW");
    kavrol::IntegerSpinEdit* LampH = find<kavrol::IntegerSpinEdit>("LampH");
    QLabel* StaticText1 = find<QLabel>("StaticText1");
};

// The controls of a window, looked up afresh.
inline WindowControls ui(const kavrol::TMainFrm& window) {
    return WindowControls(window);
}
