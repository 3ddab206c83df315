// Image files decoded ahead of their loads, on worker threads, while the main thread goes on
// drawing frames. Decoding needs no OpenGL context; the main thread later takes each decoded
// buffer and wraps and uploads it as a surface.
//
// Hand-over rule: a job's file and pixels belong to the worker that picks the job until it
// marks the job done (under the batch's lock); from then on they belong to the batch until the
// main thread takes them (the caller then owns the malloc'ed pixels) or the batch dies, which
// frees what was never taken and closes what was never read. A job no worker has picked yet is
// taken with its file, and the main thread decodes it itself. The batch is shared by the owner
// and its workers, so no worker outlives what it writes into, even after its batch was
// abandoned; abandoned workers stop after their current file and are joined once done, before
// the next batch starts, or by the destructor. Only the main thread calls the methods.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class ImagePrefetch {
public:
    // A file to decode: the key it is taken by, and the file already opened for reading (null
    // when it could not be opened, which counts as a failed decode). The batch owns the file.
    struct File {
        std::string key;
        std::FILE *file;
    };

    enum class Taken {
        NotPrefetched,  // no untaken job has the key: the caller decodes the file itself
        Failed,         // the file could not be opened or decoded
        Ready,          // the pixels are the caller's
    };

    ImagePrefetch() = default;
    ImagePrefetch(const ImagePrefetch &) = delete;
    ImagePrefetch &operator=(const ImagePrefetch &) = delete;
    ~ImagePrefetch();

    // Starts decoding `files` in order. The running batch is kept instead when its jobs not yet
    // taken have exactly the keys `files` ends with, in this order, as when the loader's first
    // step asks again for what the reload asked for, or the loader restarts at the same level:
    // the files before those are queued behind it. Otherwise it is abandoned. An empty list
    // abandons the running batch and starts nothing.
    void Start(std::vector<File> files);

    // Takes the first job not yet taken with this key: waits for the worker when it is decoding
    // or has decoded the file, decodes the file here when the worker has not reached it yet.
    Taken Take(const std::string &key, unsigned char **pixels, int *width, int *height, int *depth);

    // Abandons the running batch: its worker stops after its current file; nothing decoded for
    // it is taken any more.
    void Abandon();

private:
    struct Batch;

    void JoinFinished(bool all);

    std::shared_ptr<Batch> batch;
    std::vector<std::thread> workers;
    struct Retired {
        std::shared_ptr<Batch> batch;
        std::vector<std::thread> workers;
    };
    std::vector<Retired> retired;
};
