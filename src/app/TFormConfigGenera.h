#pragma once

// The modal dialog "全般設定": three pages of switches and association
// commands, OK / キャンセル / ヘルプ, and a status bar with the long hint of
// the control under the mouse. TFormConfigGeneraLogic does the work.

#include <QDialog>

#include "app/TFormConfigGeneraLogic.h"

class QCheckBox;
class QStatusBar;
class QTabWidget;

class TFormConfigGenera : public QDialog, public TFormConfigGeneraView, public TConfigDialog {
public:
    explicit TFormConfigGenera(QWidget* owner);

    // TConfigDialog
    void SetConfig(const TConfigBase& config) override { logic_.SetConfig(config); }
    void GetConfig(TConfigBase& config) const override { logic_.GetConfig(config); }
    // Opens on the first page, whichever page was shown last.
    bool ShowModal() override;

    // TFormConfigGeneraView
    bool IsChecked(TConfigCheck box) const override;
    void SetChecked(TConfigCheck box, bool checked) override;
    UnicodeString ProgramPath() const override;
    void ShowWarning(const UnicodeString& message) override;

    QTabWidget* PageControl() const { return pages_; }
    QStatusBar* StatusBar() const { return statusBar_; }

protected:
    bool event(QEvent* event) override;

private:
    QWidget* BuildStartupPage();
    QWidget* BuildAssociationPage();
    QWidget* BuildOtherPage();
    void RunWithBusyCursor(void (TFormConfigGeneraLogic::*action)());
    QCheckBox* Box(TConfigCheck box) const;

    QTabWidget* pages_ = nullptr;
    QCheckBox* restoreParamFile_ = nullptr;
    QCheckBox* restoreWindowSize_ = nullptr;
    QCheckBox* inTaskTray_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    TFormConfigGeneraLogic logic_{*this};
};
