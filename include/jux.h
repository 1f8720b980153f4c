/* JUX chess engine: the C interface of libjux.so.
 *
 * A host loads the library, calls JUXInit once, sets a position and game moves,
 * chooses one limit, runs JUXAnalyse (which blocks until the search ends) and
 * reads the chosen move with JUXGetBestMove. JUXStopAnalyse and JUXPonderingOff
 * may be called from another thread while JUXAnalyse runs. The engine is one
 * instance per process. Search progress lines ("info ...") go to standard
 * output; standard input is left to the host.
 *
 * Before JUXInit, after a JUXInit that failed, and after JUXQuit the engine has
 * no tables: JUXAnalyse, JUXClearHashtable, JUXEnterMove, JUXSetPosition and
 * JUXSetStartPosition then return at once without doing anything (their results
 * below say what they return). The limit setters, JUXStopAnalyse,
 * JUXPonderingOff and the texts may be called at any time.
 */
#ifndef JUX_H
#define JUX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What JUXAnalyse returns without tables; no root score is this low. */
#define JUX_NOT_INITIALISED (-32768)

/* Runs a whole search (ponder 1: on the opponent's time). Returns the root score
 * in units where a pawn is 90, or 0 after a book move or in a position already
 * drawn by rule. Without tables it searches nothing, leaves JUXGetBestMove() empty
 * and returns JUX_NOT_INITIALISED. */
int32_t JUXAnalyse(int32_t ponder);
/* Clears the transposition tables, the evaluation caches and the history table.
 * Returns 0, or -1 without tables. */
int32_t JUXClearHashtable(void);
/* Plays a game move given as coordinate text ("e2e4", "e7e8q", "e1g1") for the side
 * to move. Returns the side to move afterwards (0 white, 1 black). A text that names
 * no legal move (no move of the side to move, or one that leaves its own king in
 * check) is not played: the result is then the side still to move, unchanged.
 * Without tables nothing is played and the result is -1. */
int32_t JUXEnterMove(const char* move_text);
/* The author text. */
const char* JUXGetAuthor(void);
/* The version text (copied into a static buffer on every call). */
const char* JUXGetVersion(void);
/* Creates the hash tables of hash_kilobytes (raised to 256) and resets the game to the
 * start position; copies the 28-byte host block (may be NULL); unused is ignored;
 * tablebase_pieces is the largest tablebase class the host has loaded (0 for none).
 * Returns the size used in kilobytes, or -1 on failure (also when called twice
 * without JUXQuit). */
int32_t JUXInit(int32_t hash_kilobytes, const void* host_block, int32_t unused, int32_t tablebase_pieces);
/* Does nothing; kept for hosts that call it. */
void JUXNextBest(void);
/* Turns a ponder search into a normal one (as "ponderhit"). Safe from another thread. */
void JUXPonderingOff(void);
/* Releases the hash tables. Returns 1 when tables were released, 0 when there were
 * none (before JUXInit, or a second JUXQuit). */
int32_t JUXQuit(void);
/* Clock with increment, both in seconds (10 seconds kept in reserve). Returns the increment. */
int32_t JUXSetBlitz(int32_t seconds, int32_t increment_seconds);
/* Fixed depth, raised to 1 (iterations stop at 99). Returns the depth used. */
int32_t JUXSetDepth(int32_t depth);
/* Unlimited search: ends only by JUXStopAnalyse or the depth limit. Returns the clock side. */
int32_t JUXSetInfinite(void);
/* Sets the position from a FEN text. A FEN the engine refuses (not exactly one king
 * a side, more than sixteen pieces a side, a pawn on its first or last rank, or the
 * side not to move in check) leaves the position as it was; so does a call without
 * tables. */
void JUXSetPosition(const char* fen);
/* Sets the start position (nothing without tables). */
void JUXSetStartPosition(void);
/* Moves to the next time control and the clock in seconds (5 seconds kept in reserve).
 * Returns the seconds planned with: max(seconds, 5) - 5. */
int32_t JUXSetTime(int32_t moves_to_go, int32_t seconds);
/* Ends a running JUXAnalyse at its next check. Safe from another thread. */
void JUXStopAnalyse(void);

/* The move chosen by the last JUXAnalyse as coordinate text, "" when it had none.
 * (An addition to the sixteen functions above: the only way for a host to learn the move.) */
const char* JUXGetBestMove(void);

#ifdef __cplusplus
}
#endif

#endif
