#pragma once
// The checksum files images are handed around with, in the format sha256sum
// writes: a line of 64 hexadecimal digits, a space, a space or "*", the file's name.
#include "platform/framework/CString.h"

#include <string>

// The checksum file of an image: its path with ".sha256" appended.
CString ChecksumNameOf(const CString& imagePath);

// The SHA-256 that a file beside the image gives for it: its checksum file, else
// "SHA256SUMS" in its folder. A line names the image by its name, whatever folder
// the line gives, as the machine names files or in the system's code page. Empty
// when neither file names it.
std::string ExpectedSha256(const CString& imagePath);

// Writes the image's checksum file whole: one line of the digest, two spaces and
// the image's name as the machine names it, so that sha256sum -c finds the file.
// FALSE with the last error.
BOOL SaveChecksum(const CString& imagePath, const std::string& sha256);

// Digests compare whatever case their digits are in.
bool SameSha256(const std::string& computed, const std::string& listed);
