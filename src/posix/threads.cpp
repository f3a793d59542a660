// Threads, locks and condition variables of the stand-in, over POSIX
// threads. A thread's handle lies above every file and query handle: a slot
// of a fixed table, as many as the run may start.
#include "posix/threads.h"

#include <sched.h>
#include <unistd.h>

constexpr intptr_t THREAD_HANDLE_BASE = intptr_t{1} << 41;
constexpr int THREAD_SLOTS = 128;

struct ThreadSlot {
    int used;
    pthread_t thread;
    LPTHREAD_START_ROUTINE start;
    LPVOID parameter;
};

static ThreadSlot threads[THREAD_SLOTS];
static pthread_mutex_t slots_lock = PTHREAD_MUTEX_INITIALIZER;

static int slot_of(HANDLE handle) {
    const intptr_t slot = reinterpret_cast<intptr_t>(handle) - THREAD_HANDLE_BASE;
    return slot >= 0 && slot < THREAD_SLOTS ? static_cast<int>(slot) : -1;
}

static void* run_thread(void* argument) {
    const ThreadSlot* slot = static_cast<const ThreadSlot*>(argument);
    slot->start(slot->parameter);
    return nullptr;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, size_t, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD,
                    LPDWORD) {
    pthread_mutex_lock(&slots_lock);
    int found = -1;
    for (int i = 0; i < THREAD_SLOTS && found < 0; ++i)
        if (!threads[i].used) found = i;
    if (found >= 0) {
        ThreadSlot* slot = &threads[found];
        slot->used = 1, slot->start = start, slot->parameter = parameter;
        if (pthread_create(&slot->thread, nullptr, run_thread, slot) != 0) slot->used = 0, found = -1;
    }
    pthread_mutex_unlock(&slots_lock);
    if (found < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;  // as Windows fails it
    }
    return reinterpret_cast<HANDLE>(THREAD_HANDLE_BASE + found);
}

// A thread is waited for once, by joining it; its slot stays taken until
// its handle is closed.
DWORD WaitForSingleObject(HANDLE handle, DWORD) {
    const int slot = slot_of(handle);
    if (slot < 0 || !threads[slot].used || pthread_join(threads[slot].thread, nullptr) != 0) return WAIT_FAILED;
    return WAIT_OBJECT_0;
}

int posix_close_thread(HANDLE handle) {
    const int slot = slot_of(handle);
    if (slot < 0) return 0;
    pthread_mutex_lock(&slots_lock);
    threads[slot].used = 0;
    pthread_mutex_unlock(&slots_lock);
    return 1;
}

void InitializeCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutex_init(&section->mutex, nullptr);
}

void EnterCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutex_lock(&section->mutex);
}

void LeaveCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutex_unlock(&section->mutex);
}

void DeleteCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutex_destroy(&section->mutex);
}

void InitializeConditionVariable(CONDITION_VARIABLE* condition) {
    pthread_cond_init(&condition->condition, nullptr);
}

// Only INFINITE: the run never waits with a time limit.
BOOL SleepConditionVariableCS(CONDITION_VARIABLE* condition, CRITICAL_SECTION* section, DWORD) {
    return pthread_cond_wait(&condition->condition, &section->mutex) == 0;
}

void WakeConditionVariable(CONDITION_VARIABLE* condition) {
    pthread_cond_signal(&condition->condition);
}

void WakeAllConditionVariable(CONDITION_VARIABLE* condition) {
    pthread_cond_broadcast(&condition->condition);
}

// The processors this process may use (taskset, a batch system's cgroup),
// not all the machine has.
void GetSystemInfo(SYSTEM_INFO* information) {
    cpu_set_t set;
    long count = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : sysconf(_SC_NPROCESSORS_ONLN);
    information->dwNumberOfProcessors = count > 0 ? static_cast<DWORD>(count) : 1u;
}
