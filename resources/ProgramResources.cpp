#include "resources/ProgramResources.h"

#include "platform/framework/ProgramFolder.h"
#include "platform/framework/Resources.h"

bool LoadProgramResources(std::string* reason) {
    const std::string script = framework::FindBesideProgram("kolm.rc");
    std::string error = "kolm.rc not found beside the program";
    if (!script.empty() && framework::LoadResourceScript(script, framework::Resources(), error))
        return true;
    if (reason != nullptr)
        *reason = error;
    return false;
}
