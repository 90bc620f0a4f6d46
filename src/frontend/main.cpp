#include "frontend/VelmoraU.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv)
{
#if defined(__GLIBC__)
    // Every record's scan takes its buffers (a few hundred kilobytes, a
    // megabyte or two with many matrices) and gives them back when it is
    // done. By default the C library hands such memory back to the system
    // as soon as it is free and asks for it again for the next record, at a
    // page fault per page: a third more time on many short records. Fixed
    // limits keep up to 8 MB of it for the next record instead; blocks of
    // 4 MB and more (a chromosome's letters) still go back at once, so the
    // largest record that fits in memory stays as large.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 8 << 20);
#endif
    return VelmoraMain(argc, argv);
}
