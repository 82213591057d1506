#pragma once
// The checksum files images are handed around with, in the format sha256sum
// writes: a line of 64 hexadecimal digits, a space, a space or "*", the file's name.
#include "platform/framework/CString.h"

#include <string>

// The SHA-256 that a file beside the image gives for it: the image's path with
// ".sha256" appended, else "SHA256SUMS" in its folder. A line names the image by
// its name, whatever folder the line gives. Empty when neither file names it.
std::string ExpectedSha256(const CString& imagePath);

// Digests compare whatever case their digits are in.
bool SameSha256(const std::string& computed, const std::string& listed);
