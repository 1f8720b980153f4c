/* A small host for libjux: sets a position, searches to a fixed depth, then
 * runs an infinite analysis that a second thread stops.
 *
 * Built against an installed engine with either of
 *   cc host.c $(pkg-config --cflags --libs jux) -pthread -o host
 *   find_package(jux) and target_link_libraries(host PRIVATE jux::jux)
 */
#include <pthread.h>
#include <stdio.h>
#include <time.h>

#include "jux.h"

static void* stop_later(void* arg) {
    (void)arg;
    struct timespec pause = {0, 300 * 1000 * 1000};
    nanosleep(&pause, NULL);
    JUXStopAnalyse();
    return NULL;
}

int main(void) {
    unsigned char block[28] = {0};
    if (JUXInit(16 * 1024, block, 0, 0) < 0) {
        fprintf(stderr, "host: no hash tables\n");
        return 1;
    }
    printf("engine %s\n", JUXGetVersion());

    /* Scholar's mate threat: black to move after 1. e4 e5 2. Bc4 Nc6 3. Qh5. */
    JUXSetPosition("r1bqkbnr/pppp1ppp/2n5/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 3 3");
    JUXSetDepth(5);
    int32_t score = JUXAnalyse(0);
    printf("depth 5: bestmove %s score %d\n", JUXGetBestMove(), score);

    JUXEnterMove(JUXGetBestMove());
    JUXSetInfinite();
    pthread_t stopper;
    pthread_create(&stopper, NULL, stop_later, NULL);
    JUXAnalyse(0);
    pthread_join(stopper, NULL);
    printf("infinite, stopped: bestmove %s\n", JUXGetBestMove());

    JUXQuit();
    return 0;
}
