// The one span helper that is not inline: rotating a polygon's edge list.
#include "shading/span_helpers.h"

#include "platform/pages.h"

void RotateEntries(int entryCount, int first, EdgeEntry* edges)
{
    if (entryCount <= 1 || first <= 0 || first >= entryCount)
        return;
    // Triangles, which are all the fills ever rotate, use a block on the stack: taking pages from
    // the operating system for nine bytes would cost more per triangle than filling most of them.
    // Longer lists get their temporary block from the page allocator; when none is to be had the
    // list stays as it is.
    constexpr int StackEntries = 16;
    EdgeEntry local[StackEntries];
    EdgeEntry* copy = local;
    if (entryCount > StackEntries) {
        copy = static_cast<EdgeEntry*>(PageAllocate(sizeof(EdgeEntry) * entryCount));
        if (!copy)
            return;
    }
    for (int k = 0; k < entryCount; ++k)
        copy[k] = edges[(first + k) % entryCount];
    for (int k = 0; k < entryCount; ++k)
        edges[k] = copy[k];
    if (copy != local)
        PageRelease(copy);
}
