#pragma once

#include "platform/DbConnection.h"
#include "platform/DbDataSource.h"
#include "platform/DbQuery.h"
#include "platform/DbTable.h"

// What the database module needs of the main window: its database-unavailable flag, which
// disables the two menu commands "Absenderdaten" and "Empfängerdaten" while it is set.
class TDatabaseAvailability {
public:
    virtual ~TDatabaseAvailability() = default;
    virtual void setDatabaseUnavailable(bool unavailable) = 0;
};

// The database module: the connection to the database folder named in the settings, the two
// shared queries that the screens reprogram for each statement (with the grids' data sources),
// and a second connection with a table that serve to pack a copy of the database. Created once
// at start-up right after the main window and kept until the program ends. Main thread only.
class TDM2 {
public:
    // Reads the database folder from the settings and connects. When the settings cannot be
    // read (ReadDBPath has shown its message), ok() is false and the caller must end the
    // program before the main window is shown. A failed connect shows "#49 " with the message
    // and sets the flag; the program then goes on without a database.
    explicit TDM2(TDatabaseAvailability& availability);
    // Disconnects.
    ~TDM2();
    TDM2(const TDM2&) = delete;
    TDM2& operator=(const TDM2&) = delete;

    bool ok() const { return m_settingsRead; }

    // Connects AdsConnection1 again with its folder unchanged (harmless when connected); on a
    // failure shows "#49 " with the message and returns false.
    bool Reconnect();
    // Opens AbsendQuery on all senders ordered by Firma (it stays open) and tells whether it
    // has no row; on a failure shows "#89 " with the message and returns false.
    bool NoSenderExists();

    DbConnection AdsConnection1;
    DbQuery EmpfQuery;
    DbDataSource EmpfSource;
    DbQuery AbsendQuery;
    DbDataSource AbsendSource;
    DbConnection AdsConnection2;
    DbTable AdsTable1;

private:
    bool m_settingsRead = false;
};

// The one database module of the running program; set by the start-up, null before and after.
extern TDM2* DM2;
