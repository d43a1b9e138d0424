// The report of an error that reached the top: a stop-icon message box captioned
// "Unhandled Exception" with the error's text, and a question when the program can
// go on after it.
#pragma once

#include <exception>

// Shows the report of the error with the given text ("Unknown Exception" when empty),
// and `prompt` after a line break when given: Yes and No then, else OK. Answers 0 for
// Yes and -1 otherwise.
int ReportError(const char* text, const char* prompt);

// The same for the error being handled (call inside a catch block).
int ReportCurrentError(const char* prompt);

// The report's modality: task-modal on the NT line (the top bit of the version
// clear), and elsewhere when the thread has a window; system-modal otherwise.
unsigned ReportModality();
