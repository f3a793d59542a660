// Conversions on several threads: a fixed set of workers takes the photos the
// run hands over, in order, and writes each PDF under a temporary name; the
// run takes the jobs back in the same order and does the rest itself (the
// final name, the messages), so what it shows is what one job at a time shows.
#pragma once

#include <cstdint>

#include "driver/inputs/input_source.h"
#include "driver/cli/settings.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/win32.h"

enum JobState { JOB_FREE, JOB_WAITING, JOB_TAKEN, JOB_DONE };

struct Job {
    Input input;
    WCHAR output_path[PATH_BUFFER_UNITS];
    WCHAR temporary_path[PATH_BUFFER_UNITS];
    int convert;          // for a worker to convert; else the run decides alone
    int new_name;         // the PDF's name was free: the worker moves the PDF in if it still is
    int moved;            // and it did; `identity` is the PDF's when `identified`
    int identified;
    FileIdentity identity;
    const char* problem;  // what the run found wrong before converting, or null
    int written;          // the temporary file holds the complete PDF
    int32_t unended;      // images copied with no end-of-image marker
    Failure failure;
    int state;  // JobState
};

struct JobQueue {
    const ConvertSettings* settings;
    Job* jobs;  // a ring: job n is jobs[n % capacity]
    int32_t capacity;
    int64_t oldest;        // the first job not yet taken back
    int64_t next_new;      // the number the next job handed over gets
    int64_t next_waiting;  // no job before it waits for a worker
    int closing;
    int idle;  // workers asleep, waiting for a job
    int worker_count;
    HANDLE workers[MOST_JOBS];
    CRITICAL_SECTION lock;
    CONDITION_VARIABLE waiting;   // a job was handed over, or the queue closes
    CONDITION_VARIABLE finished;  // a worker finished a job
};

// Starts `workers` threads (at most MOST_JOBS) and room for 16 times as many
// jobs; 0 when not even one thread could start (nothing is left running).
int begin_jobs(JobQueue* queue, int workers, const ConvertSettings* settings);
// The job the run fills next, or null while the ring is full: the oldest job
// must be taken back first.
Job* new_job(JobQueue* queue);
// The job new_job gave, filled: converted by a worker when its `convert` is
// set, else done at once.
void hand_over(JobQueue* queue, Job* job);
// The oldest job not yet taken back once it is done, or null: none is left,
// or (without `wait`) it is not done yet.
Job* oldest_done(JobQueue* queue, int wait);
// 1 when a job handed over and not yet taken back writes `output_path`
// (compared as Windows names are, letter case aside).
int output_wanted(const JobQueue* queue, const WCHAR* output_path);
// The oldest job taken back; its place is free.
void release_oldest(JobQueue* queue);
// Waits for the workers to finish and stop; every job must have been taken back.
void end_jobs(JobQueue* queue);
