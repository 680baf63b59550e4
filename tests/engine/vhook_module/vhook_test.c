/* A frame hook module for the tests. Configure takes one optional argument, the grey level
 * Process paints the first plane with; "refuse" makes Configure fail. Builds without Process
 * or without Configure (NO_PROCESS, NO_CONFIGURE) exercise the loader's checks. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
    uint8_t* data[4];
    int linesize[4];
} Picture;

typedef struct {
    int level;
    int frames;
} Context;

int vhook_test_released = 0;
int vhook_test_last_argc = 0;

#ifndef NO_CONFIGURE
int Configure(void** ctxp, int argc, char* argv[])
{
    vhook_test_last_argc = argc;
    if (argc > 1 && strcmp(argv[1], "refuse") == 0)
        return 1;
    Context* ctx = calloc(1, sizeof(Context));
    ctx->level = argc > 1 ? atoi(argv[1]) : 255;
    *ctxp = ctx;
    return 0;
}
#endif

#ifndef NO_PROCESS
void Process(void* opaque, Picture* picture, int pixelFormat, int width, int height, int64_t pts)
{
    Context* ctx = opaque;
    int level = ctx ? ctx->level : 1;
    for (int y = 0; y < height; ++y)
        memset(picture->data[0] + y * picture->linesize[0], level, (size_t)width);
    if (ctx)
        ++ctx->frames;
}
#endif

void Release(void* opaque)
{
    free(opaque);
    ++vhook_test_released;
}
