// Command ids of the menu "DAZIZAZE" and control ids of the dialog "OptionDlg", shared
// with the resource script.
#pragma once

inline constexpr unsigned CM_NEW = 100;
inline constexpr unsigned CM_OPTIONS = 101;
inline constexpr unsigned CM_ABOUT = 102;
inline constexpr unsigned CM_PAUSE = 103;
inline constexpr unsigned CM_STOP = 104;

inline constexpr int IDC_SPEED = 101;
inline constexpr int IDC_POPULATION = 102;
inline constexpr int IDC_GAMETIME = 109;
