#pragma once

#include "ui/resources/ControlIds.h"
#include "ui/resources/DialogTemplate.h"

namespace resources {

inline constexpr int IDD_ABOUTBOX = 100;

// The about box.
inline constexpr ControlTemplate kAboutDialogControls[] = {
    {-1, ControlKind::kIcon, "", 11, 17, 20, 20, kNone},
    {-1, ControlKind::kLabel, "Velmorant Version " VELMORANT_VERSION, 40, 10, 119, 8, kNoPrefix},
    {-1, ControlKind::kLabel, "Copyright (C) Velmorant の作者たち", 40, 25, 119, 8, kNone},
    {kIdOk, ControlKind::kDefPushButton, "OK", 178, 7, 50, 14, kNone},
};

inline constexpr DialogTemplate kAboutDialog{IDD_ABOUTBOX, "Velmorantのﾊﾞｰｼﾞｮﾝ情報", 235, 55,
                                             kAboutDialogControls};

}  // namespace resources
