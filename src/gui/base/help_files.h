// Where the help and the printable guide live: beside the program when it
// runs from its build tree, under <prefix>/share/tarvo-wavedesk when it is
// installed in <prefix>/bin.
#pragma once

#include <QString>

inline constexpr const char* kHelpFileName = "help.html";
inline constexpr const char* kGuideFileName = "Tarvo Wavedesk 2.pdf";

// The path of the help file `name`: the first of the places above that holds
// it, or the one beside the program when none does (for the message).
QString HelpFilePath(const QString& name);
