// What to do with a target file that exists, for download and upload alike:
// the panel's standing answer, else the question (FileExistsPrompt, showing
// ExistingFileName), except under OPM_SILENT where there is no answer.
#pragma once

#include "panel/panel_instance.h"

enum ExistingTargetAnswers {
    NoExistingAnswer = -2,  // silent: report it like any failure to create the target
    AnswerEsc = -1,
    AnswerOverwrite = 0,
    AnswerOverwriteAll = 1,
    AnswerSkip = 2,
    AnswerSkipAll = 3,
    AnswerCancel = 4,
};

int ExistingTargetAnswer(PanelInstance& panel, int opMode);

// The outcome of one file of a download or an upload.
enum FileCopyResults {
    FileCopied = 0,
    FileNotCopied = 1,    // skipped or failed: go on with the next item
    FileCancelAll = 2,    // the user cancelled the whole operation
};

// How a file's copy goes on after the existing-target answer.
enum ExistingTargetSteps {
    StepOverwrite,  // create the target anew, emptying it
    StepReport,     // report it as a target that cannot be created
    StepSkip,
    StepCancel,
};

// Applies an answer: sets the standing answer for buttons 1 and 3 and says
// how the copy goes on.
int ApplyExistingTargetAnswer(PanelInstance& panel, int answer);
