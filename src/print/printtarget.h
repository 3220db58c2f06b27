#pragma once

#include <QByteArray>
#include <QString>

// Where a job's pages go, read once from the stored DEVNAMES block: the PDF
// writer's file or one of the system's queues. Whatever asks which printer
// is configured, or whether it is a file, asks this.
struct PrintTarget {
    enum class Kind {
        None,    // no printer configured
        Damaged, // a names block that does not hold what it claims
        File,    // the PDF writer, writing to `name`
        Queue,   // the system's printer `name`
    };
    Kind kind = Kind::None;
    QString name; // the output file's path or the queue's name; may be empty

    // The PDF writer's driver name is told without regard to case, as the
    // platform tells its names; any other driver is a queue.
    static PrintTarget FromDevNames(const QByteArray& devNames);

    bool IsFile() const { return kind == Kind::File; }
    bool IsConfigured() const { return kind == Kind::File || kind == Kind::Queue; }
    // For a print that is not the job itself (a part of it again, a test
    // page): a file beside the job's, "NAME (WHAT).pdf", that is not there
    // yet, so that the job's own file is never replaced. A queue is kept.
    PrintTarget Beside(const QString& what) const;

    friend bool operator==(const PrintTarget&, const PrintTarget&) = default;
};
