#pragma once
// Appends an image to a file, leaving a hole wherever a whole block of the file
// system is zero, so that the image takes the space of its data. The file reads
// as if every byte had been written; on a file system without holes the kernel
// writes the zeros of each gap itself.
#include "platform/framework/CFile.h"

class SparseImage {
public:
    explicit SparseImage(CFile& file) : m_file(file) {}

    // FALSE, with the last error, when a write fails; what was written before it
    // stays.
    BOOL Write(const BYTE* bytes, DWORD count);
    // A file that ends in a hole is still short of its length: its last byte is
    // written.
    BOOL Finish();

private:
    BOOL WriteAt(LONGLONG offset, const BYTE* bytes, DWORD count);

    CFile& m_file;
    LONGLONG m_end = 0;     // bytes appended, holes included
    LONGLONG m_pointer = 0; // where the file's pointer stands: the end of the last write
};
