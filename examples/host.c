/* A small host for libjux.so: loads the library, sets a position, searches
 * to a fixed depth, then runs an infinite analysis that a second thread stops.
 *
 *   jux_example_host [path/to/libjux.so]
 */
#include <dlfcn.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "jux.h"

static struct {
    int32_t (*init)(int32_t, const void*, int32_t, int32_t);
    int32_t (*quit)(void);
    void (*set_position)(const char*);
    int32_t (*enter_move)(const char*);
    int32_t (*set_depth)(int32_t);
    int32_t (*set_infinite)(void);
    int32_t (*analyse)(int32_t);
    void (*stop)(void);
    const char* (*best_move)(void);
    const char* (*version)(void);
} jux;

static void* find(void* library, const char* name) {
    void* f = dlsym(library, name);
    if (!f) {
        fprintf(stderr, "host: %s not found: %s\n", name, dlerror());
        exit(1);
    }
    return f;
}

static void* stop_later(void* arg) {
    (void)arg;
    struct timespec pause = {0, 300 * 1000 * 1000};
    nanosleep(&pause, NULL);
    jux.stop();
    return NULL;
}

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "./libjux.so";
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "host: %s\n", dlerror());
        return 1;
    }
    *(void**)&jux.init = find(library, "JUXInit");
    *(void**)&jux.quit = find(library, "JUXQuit");
    *(void**)&jux.set_position = find(library, "JUXSetPosition");
    *(void**)&jux.enter_move = find(library, "JUXEnterMove");
    *(void**)&jux.set_depth = find(library, "JUXSetDepth");
    *(void**)&jux.set_infinite = find(library, "JUXSetInfinite");
    *(void**)&jux.analyse = find(library, "JUXAnalyse");
    *(void**)&jux.stop = find(library, "JUXStopAnalyse");
    *(void**)&jux.best_move = find(library, "JUXGetBestMove");
    *(void**)&jux.version = find(library, "JUXGetVersion");

    unsigned char block[28] = {0};
    if (jux.init(16 * 1024, block, 0, 0) < 0) {
        fprintf(stderr, "host: no hash tables\n");
        return 1;
    }
    printf("engine %s\n", jux.version());

    /* Scholar's mate threat: black to move after 1. e4 e5 2. Bc4 Nc6 3. Qh5. */
    jux.set_position("r1bqkbnr/pppp1ppp/2n5/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 3 3");
    jux.set_depth(5);
    int32_t score = jux.analyse(0);
    printf("depth 5: bestmove %s score %d\n", jux.best_move(), score);

    jux.enter_move(jux.best_move());
    jux.set_infinite();
    pthread_t stopper;
    pthread_create(&stopper, NULL, stop_later, NULL);
    jux.analyse(0);
    pthread_join(stopper, NULL);
    printf("infinite, stopped: bestmove %s\n", jux.best_move());

    jux.quit();
    dlclose(library);
    return 0;
}
