#include "operations/existing_target.h"

#include "plugin/host_services.h"
#include "plugin/lifecycle.h"

int ExistingTargetAnswer(PanelInstance& panel, int opMode) {
    if (panel.OverwriteMode == 1) return AnswerOverwriteAll;
    if (panel.OverwriteMode == 2) return AnswerSkip;
    if (opMode & OPM_SILENT) return NoExistingAnswer;
    return HostMessage(FMSG_WARNING, nullptr, FileExistsPrompt, FileExistsPromptItems,
                       FileExistsPromptButtons);
}

int ApplyExistingTargetAnswer(PanelInstance& panel, int answer) {
    switch (answer) {
        case AnswerOverwriteAll:
            panel.OverwriteMode = 1;
            return StepOverwrite;
        case AnswerOverwrite:
            return StepOverwrite;
        case AnswerSkipAll:
            panel.OverwriteMode = 2;
            return StepSkip;
        case AnswerSkip:
            return StepSkip;
        case NoExistingAnswer:
            return StepReport;
        default:  // cancel, Esc
            return StepCancel;
    }
}
