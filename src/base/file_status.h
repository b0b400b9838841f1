#pragma once
// How a file or database operation ended. One vocabulary from the database rewrite up to the
// run flow, where one function turns each failure into its message.

namespace vestrel {

enum class FileStatus {
    Ok,
    WrongType,         // an input without a .EPD, .FEN or .PGN ending
    InputNotFound,     // an input cannot be opened
    InputNotRead,      // a read of an input failed: its rest would be missing
    OutputNotWritten,  // standard output could not be written
    OutputIsInput,     // standard output is an input file
    OutputIsDatabase,  // standard output is the database file of /u= or /u+
    OutputIsReport,    // standard output is the --report file
    DatabaseNotFound,  // the database cannot be read, moved, created or opened
    DatabaseNotWritten,
    DatabaseInUse,           // another run holds the database's lock
    DatabaseLeftover,        // a temporary file of an ended run blocks the database
    DatabaseLockUnknown,     // a temporary file blocks the database, its writer unknown
    DatabaseTextAfterCtrlZ,  // the database holds text after a Ctrl-Z byte
    LineTooLong,             // a database line over the line limit
    LogNotWritten,           // a line of the log file was lost
    LogIsLink,               // the log file's name is a link, which is never followed
    ReportNotWritten,        // the --report file cannot be created or written
    ReportIsInput,           // the --report file is an input file
    ReportIsDatabase,        // the --report file is the database
    ReportIsBackup,          // the --report file is the database backup
    ReportIsTemporary,       // the --report file is a temporary file of the /u+ rewrite
    ReportIsLog,             // the --report file is the log file
};

}  // namespace vestrel
