// The image prefetch: two worker threads per batch, decoding the batch's files in order; a
// large file takes longer to decode than a loader step lasts, so one worker falls behind.

#include "host/image_prefetch.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "host/image_decode.h"

namespace {

constexpr int kWorkers = 2;

}  // namespace

struct ImagePrefetch::Batch {
    struct Job {
        std::string key;
        std::FILE *file = nullptr;
        unsigned char *pixels = nullptr;
        int width = 0, height = 0, depth = 0;
        bool picked = false, done = false, taken = false;
    };

    std::mutex mutex;
    std::condition_variable decoded;
    std::vector<Job> jobs;
    bool abandoned = false;
    int running = 0;  // workers not yet out of their loop

    ~Batch() {
        for (Job &job : jobs) {
            if (job.file) std::fclose(job.file);
            if (!job.taken) std::free(job.pixels);
        }
    }

    // A worker's loop: picks the first job nobody has picked under the lock, decodes its file
    // outside the lock and hands the pixels back under the lock. Jobs are found by index: the
    // list may grow meanwhile.
    void Run() {
        for (;;) {
            std::size_t i = 0;
            std::FILE *file = nullptr;
            {
                std::lock_guard<std::mutex> lock(mutex);
                while (!abandoned && i < jobs.size() && jobs[i].picked) ++i;
                if (abandoned || i == jobs.size()) break;
                jobs[i].picked = true;
                file = jobs[i].file;
                jobs[i].file = nullptr;
            }
            int w = 0, h = 0, d = 0;
            unsigned char *pixels = kt_image_DecodeFile(file, &w, &h, &d);
            std::lock_guard<std::mutex> lock(mutex);
            Job &job = jobs[i];
            job.pixels = pixels;
            job.width = w, job.height = h, job.depth = d;
            job.done = true;
            decoded.notify_all();
        }
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        decoded.notify_all();
    }
};

ImagePrefetch::~ImagePrefetch() {
    Abandon();
    JoinFinished(true);
}

void ImagePrefetch::Start(std::vector<File> files) {
    if (batch && !files.empty()) {
        std::lock_guard<std::mutex> lock(batch->mutex);
        std::vector<const std::string *> untaken;
        for (const Batch::Job &job : batch->jobs) {
            if (!job.taken) untaken.push_back(&job.key);
        }
        // The files asked for again end with exactly the batch's untaken jobs (a loader
        // restarted at the same level): the batch is kept, the files it has already handed
        // out are queued behind it, and the rest of `files` is closed.
        std::size_t head = files.size() - std::min(files.size(), untaken.size());
        bool tail = untaken.size() <= files.size();
        for (std::size_t i = 0; tail && i < untaken.size(); ++i) {
            tail = *untaken[i] == files[head + i].key;
        }
        if (tail) {
            for (std::size_t i = 0; i < files.size(); ++i) {
                if (i < head) {
                    batch->jobs.emplace_back();
                    batch->jobs.back().key = std::move(files[i].key);
                    batch->jobs.back().file = files[i].file;
                } else if (files[i].file) {
                    std::fclose(files[i].file);
                }
            }
            return;
        }
    }
    Abandon();
    JoinFinished(false);
    if (files.empty()) return;
    batch = std::make_shared<Batch>();
    for (File &file : files) {
        batch->jobs.emplace_back();
        batch->jobs.back().key = std::move(file.key);
        batch->jobs.back().file = file.file;
    }
    batch->running = kWorkers;
    std::shared_ptr<Batch> shared = batch;
    for (int i = 0; i < kWorkers; ++i) workers.emplace_back([shared] { shared->Run(); });
}

ImagePrefetch::Taken ImagePrefetch::Take(const std::string &key, unsigned char **pixels, int *width,
                                         int *height, int *depth) {
    if (!batch) return Taken::NotPrefetched;
    std::unique_lock<std::mutex> lock(batch->mutex);
    for (Batch::Job &job : batch->jobs) {
        if (job.taken || job.key != key) continue;
        job.taken = true;
        if (!job.picked) {
            // Not yet picked by a worker: decoded here rather than waiting behind the files
            // queued before it, while the workers go on with those.
            std::FILE *file = job.file;
            job.file = nullptr;
            job.picked = job.done = true;
            lock.unlock();
            *pixels = kt_image_DecodeFile(file, width, height, depth);
            return *pixels ? Taken::Ready : Taken::Failed;
        }
        batch->decoded.wait(lock, [&] { return job.done || batch->running == 0; });
        if (!job.done) return Taken::NotPrefetched;
        if (!job.pixels) return Taken::Failed;
        *pixels = job.pixels;
        *width = job.width, *height = job.height, *depth = job.depth;
        return Taken::Ready;
    }
    return Taken::NotPrefetched;
}

void ImagePrefetch::Abandon() {
    if (!batch) return;
    {
        std::lock_guard<std::mutex> lock(batch->mutex);
        batch->abandoned = true;
    }
    retired.push_back(Retired{std::move(batch), std::move(workers)});
    workers.clear();
    batch = nullptr;
}

void ImagePrefetch::JoinFinished(bool all) {
    for (auto it = retired.begin(); it != retired.end();) {
        bool finished;
        {
            std::lock_guard<std::mutex> lock(it->batch->mutex);
            finished = it->batch->running == 0;
        }
        if (!finished && !all) {
            ++it;
            continue;
        }
        for (std::thread &worker : it->workers) worker.join();
        it = retired.erase(it);
    }
}
