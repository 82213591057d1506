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
    // Writes the bytes at their offset in the image, holes included, as a rescue
    // fills the image in any order; later appends go on after them.
    BOOL Place(LONGLONG offset, const BYTE* bytes, DWORD count);
    // A file shorter than length gets a zero as its last byte; what it holds stays.
    BOOL Reach(LONGLONG length);
    // A file that ends in a hole is still short of its length: its last byte is
    // written, where the file is not that long already.
    BOOL Finish();

private:
    BOOL WriteAt(LONGLONG offset, const BYTE* bytes, DWORD count);

    CFile& m_file;
    LONGLONG m_end = 0;     // bytes appended, holes included
    LONGLONG m_pointer = 0; // where the file's pointer stands: the end of the last write
};
