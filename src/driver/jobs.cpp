// The workers and their queue: one lock, two condition variables, a ring of
// jobs with a fixed size. Each worker has its own PDF writer.
#include "driver/jobs.h"

#include <cstdlib>

#include "driver/convert_image.h"
#include "platform/path.h"

static Job* job_at(JobQueue* queue, int64_t number) {
    return &queue->jobs[number % queue->capacity];
}

static void convert_job(JobQueue* queue, Job* job, PdfWriter* writer) {
    *writer = PdfWriter{};
    job->written = write_image_document(writer, job->input.path, job->output_path, queue->settings,
                                        job->temporary_path, &job->failure);
    job->unended = pdf_unended_images(writer);
    if (!job->written || !job->new_name) return;
    FileIdentity before = {};
    const int known = file_identity(job->temporary_path, &before);
    if (!move_to_new_name(job->temporary_path, job->output_path)) return;
    job->written = 0, job->moved = 1;
    // Once moved, the run may already have put another PDF of that name in
    // its place: the file's index tells (its other times change with the move).
    job->identified = known && file_identity(job->output_path, &job->identity) &&
                      job->identity.volume == before.volume && job->identity.index == before.index;
    if (!job->identified) job->identity = before;
}

static DWORD WINAPI work(LPVOID parameter) {
    JobQueue* queue = static_cast<JobQueue*>(parameter);
    PdfWriter writer;
    EnterCriticalSection(&queue->lock);
    for (;;) {
        // Jobs before the oldest are gone, their places taken by later ones.
        if (queue->next_waiting < queue->oldest) queue->next_waiting = queue->oldest;
        while (queue->next_waiting < queue->next_new && job_at(queue, queue->next_waiting)->state != JOB_WAITING)
            ++queue->next_waiting;
        if (queue->next_waiting < queue->next_new) {
            const int64_t number = queue->next_waiting++;
            Job* job = job_at(queue, number);
            job->state = JOB_TAKEN;
            LeaveCriticalSection(&queue->lock);
            convert_job(queue, job, &writer);
            EnterCriticalSection(&queue->lock);
            job->state = JOB_DONE;
            // The run waits for the oldest job alone.
            if (number == queue->oldest) WakeConditionVariable(&queue->finished);
        } else if (queue->closing) {
            break;
        } else {
            ++queue->idle;
            SleepConditionVariableCS(&queue->waiting, &queue->lock, INFINITE);
            --queue->idle;
        }
    }
    LeaveCriticalSection(&queue->lock);
    return 0;
}

int begin_jobs(JobQueue* queue, int workers, const ConvertSettings* settings) {
    if (workers > MOST_JOBS) workers = MOST_JOBS;
    queue->settings = settings;
    // Room to run ahead: a worker finds a job waiting, and the run seldom
    // waits, without either being woken for each photo.
    queue->capacity = 16 * workers;
    queue->jobs = static_cast<Job*>(calloc(static_cast<size_t>(queue->capacity), sizeof(Job)));
    queue->oldest = queue->next_new = queue->next_waiting = 0;
    queue->closing = 0;
    queue->idle = 0;
    queue->worker_count = 0;
    if (queue->jobs == nullptr) return 0;
    InitializeCriticalSection(&queue->lock);
    InitializeConditionVariable(&queue->waiting);
    InitializeConditionVariable(&queue->finished);
    for (int i = 0; i < workers; ++i) {
        HANDLE worker = CreateThread(nullptr, 0, work, queue, 0, nullptr);
        if (worker == nullptr) break;
        queue->workers[queue->worker_count++] = worker;
    }
    if (queue->worker_count > 0) return 1;
    end_jobs(queue);
    return 0;
}

Job* new_job(JobQueue* queue) {
    // Only the run moves next_new and oldest, so it reads them unlocked.
    if (queue->next_new - queue->oldest >= queue->capacity) return nullptr;
    return job_at(queue, queue->next_new);
}

void hand_over(JobQueue* queue, Job* job) {
    EnterCriticalSection(&queue->lock);
    job->state = job->convert ? JOB_WAITING : JOB_DONE;
    ++queue->next_new;
    if (job->convert && queue->idle > 0) WakeConditionVariable(&queue->waiting);
    LeaveCriticalSection(&queue->lock);
}

Job* oldest_done(JobQueue* queue, int wait) {
    if (queue->oldest == queue->next_new) return nullptr;
    Job* job = job_at(queue, queue->oldest);
    EnterCriticalSection(&queue->lock);
    while (wait && job->state != JOB_DONE) SleepConditionVariableCS(&queue->finished, &queue->lock, INFINITE);
    const int done = job->state == JOB_DONE;
    LeaveCriticalSection(&queue->lock);
    return done ? job : nullptr;
}

int output_wanted(const JobQueue* queue, const WCHAR* output_path) {
    for (int64_t number = queue->oldest; number < queue->next_new; ++number)
        if (same_text_ignoring_ascii_case(queue->jobs[number % queue->capacity].output_path, output_path)) return 1;
    return 0;
}

void release_oldest(JobQueue* queue) {
    EnterCriticalSection(&queue->lock);
    job_at(queue, queue->oldest)->state = JOB_FREE;
    ++queue->oldest;
    LeaveCriticalSection(&queue->lock);
}

void end_jobs(JobQueue* queue) {
    EnterCriticalSection(&queue->lock);
    queue->closing = 1;
    WakeAllConditionVariable(&queue->waiting);
    LeaveCriticalSection(&queue->lock);
    for (int i = 0; i < queue->worker_count; ++i) {
        WaitForSingleObject(queue->workers[i], INFINITE);
        CloseHandle(queue->workers[i]);
    }
    queue->worker_count = 0;
    DeleteCriticalSection(&queue->lock);
    free(queue->jobs);
    queue->jobs = nullptr;
}
