#pragma once

// Object names of the program's windows; other programs and the tests find
// windows and controls by these names.
namespace WindowNames {
inline constexpr char Splash[] = "frmSplash";
inline constexpr char Main[] = "Form1";
inline constexpr char Secondary[] = "newwindow";
inline constexpr char Preferences[] = "Form2";
inline constexpr char SendMail[] = "Form3";
inline constexpr char Comments[] = "Form4";
inline constexpr char WebServer[] = "server";
inline constexpr char WebServerHelp[] = "Form5";
inline constexpr char About[] = "frmAbout";
} // namespace WindowNames
