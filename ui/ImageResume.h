#pragma once
// Before "作成" replaces a raw image that has a rescue's map beside it, made of a
// drive of this size: whether to go on where that rescue stopped.
#include "device/JobParams.h"

enum class ResumeChoice {
    Fresh,   // a new image; an old map beside it is gone
    Resume,  // the image and its map are kept and the rescue goes on
    Refused, // the map cannot be used: said, and nothing starts
};

ResumeChoice AskToResume(const JobParams& params);
