#pragma once

#include "app/TAssociationLauncher.h"
#include "text/UnicodeString.h"

class TConfigBase;

// The general settings dialog without its toolkit: the three switches, the
// two association commands, and the command "全般設定" that shows the dialog
// and stores the settings. TFormConfigGenera implements the view with Qt.

enum class TConfigCheck { RestoreParamFile, RestoreWindowSize, InTaskTray };

class TFormConfigGeneraView : public TAssociationHost {
public:
    virtual bool IsChecked(TConfigCheck box) const = 0;
    virtual void SetChecked(TConfigCheck box, bool checked) = 0;
};

class TFormConfigGeneraLogic {
public:
    explicit TFormConfigGeneraLogic(TFormConfigGeneraView& view) : view_(view) {}

    void SetConfig(const TConfigBase& config);
    void GetConfig(TConfigBase& config) const;

    // Register or remove the .tbm association at once, whatever the dialog's
    // outcome will be.
    void ActionExtLink();
    void ActionExtUnlink();

private:
    TFormConfigGeneraView& view_;
};

// The dialog as the command "全般設定" sees it.
class TConfigDialog {
public:
    virtual ~TConfigDialog() = default;
    virtual void SetConfig(const TConfigBase& config) = 0;
    virtual void GetConfig(TConfigBase& config) const = 0;
    // Shows the dialog modally; true when it ended with OK.
    virtual bool ShowModal() = 0;
};

// Only OK stores: the three switches into `config`, then the whole settings
// file (history and bounds as held in memory) at `configPath`.
void RunConfigGeneral(TConfigDialog& dialog, TConfigBase& config, const UnicodeString& configPath);
