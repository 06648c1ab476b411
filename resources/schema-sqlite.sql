-- Hourwright database, SQLite. Every column but the keys accepts NULL; there
-- are no foreign keys, because the program writes 0 into references left
-- empty and deletes rows that others still point to.
CREATE TABLE PROJECTS (
    ID          INTEGER PRIMARY KEY AUTOINCREMENT,
    DESCRIPTION TEXT,
    CUSTOMER_ID INTEGER,
    IS_FINISHED INTEGER
);

CREATE TABLE CUSTOMER (
    ID   INTEGER PRIMARY KEY AUTOINCREMENT,
    CODE TEXT,
    NAME TEXT
);

CREATE TABLE DEVELOPERS (
    ID       INTEGER PRIMARY KEY AUTOINCREMENT,
    LASTNAME TEXT,
    NAME     TEXT
);

CREATE TABLE USERS (
    ID           INTEGER PRIMARY KEY AUTOINCREMENT,
    DEVELOPER_ID INTEGER,
    IS_ADMIN     INTEGER,
    USERNAME     TEXT,
    PASSWORD     TEXT
);

CREATE TABLE DEVELOPER_PROJECTS (
    ID           INTEGER PRIMARY KEY AUTOINCREMENT,
    DEVELOPER_ID INTEGER,
    PROJECT_ID   INTEGER
);

-- Date-times are stored as 'YYYY-MM-DD HH:MM:SS.zzz' text in local time and
-- dates as 'YYYY-MM-DD', so text comparisons are inclusive and sort right.
-- HAND_ENTRY is 1 on intervals entered by hand (Special Entry, the week
-- grid), which the week grid may shorten or remove; 0 on recorded ones.
CREATE TABLE PROJECTWORK (
    ID           INTEGER PRIMARY KEY AUTOINCREMENT,
    PROJECT_ID   INTEGER,
    DEVELOPER_ID INTEGER,
    TIME_START   DATETIME,
    TIME_END     DATETIME,
    TIME_SPEND   REAL,
    COMMENTS     TEXT,
    COMPLETED    INTEGER DEFAULT 0,
    DAY_START    DATE,
    DAY_END      DATE,
    HAND_ENTRY   INTEGER DEFAULT 0
);

CREATE INDEX IX_PROJECTWORK_PROJECT   ON PROJECTWORK (PROJECT_ID);
CREATE INDEX IX_PROJECTWORK_DEVELOPER ON PROJECTWORK (DEVELOPER_ID, DAY_START);
CREATE INDEX IX_PROJECTWORK_COMPLETED ON PROJECTWORK (COMPLETED, DEVELOPER_ID);
CREATE INDEX IX_PROJECTWORK_DAY_START ON PROJECTWORK (DAY_START);
CREATE INDEX IX_DEVELOPER_PROJECTS_DEVELOPER ON DEVELOPER_PROJECTS (DEVELOPER_ID);

-- Every insert, change and delete of an interval: when (the database's
-- clock), who (the signed-in user), from where (SOURCE) and the row's values
-- before (OLD_) and after (NEW_). The program writes it in the transaction
-- of the change; one written later than the user made it (sent from the
-- offline journal) has the moment the user acted in ACTED_AT.
CREATE TABLE PROJECTWORK_HISTORY (
    ID               INTEGER PRIMARY KEY AUTOINCREMENT,
    WORK_ID          INTEGER,
    ACTION           TEXT,
    CHANGED_AT       DATETIME DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')),
    CHANGED_BY       TEXT,
    SOURCE           TEXT,
    ACTED_AT         DATETIME,
    OLD_PROJECT_ID   INTEGER,
    NEW_PROJECT_ID   INTEGER,
    OLD_DEVELOPER_ID INTEGER,
    NEW_DEVELOPER_ID INTEGER,
    OLD_TIME_START   DATETIME,
    NEW_TIME_START   DATETIME,
    OLD_TIME_END     DATETIME,
    NEW_TIME_END     DATETIME,
    OLD_TIME_SPEND   REAL,
    NEW_TIME_SPEND   REAL,
    OLD_COMMENTS     TEXT,
    NEW_COMMENTS     TEXT,
    OLD_COMPLETED    INTEGER,
    NEW_COMPLETED    INTEGER,
    OLD_DAY_START    DATE,
    NEW_DAY_START    DATE,
    OLD_DAY_END      DATE,
    NEW_DAY_END      DATE,
    OLD_HAND_ENTRY   INTEGER,
    NEW_HAND_ENTRY   INTEGER
);

CREATE INDEX IX_PROJECTWORK_HISTORY_WORK ON PROJECTWORK_HISTORY (WORK_ID);
CREATE INDEX IX_PROJECTWORK_HISTORY_CHANGED ON PROJECTWORK_HISTORY (CHANGED_AT);

-- The closed period, in its one row: intervals whose day is on or before
-- LOCKED_THROUGH, or more than GRACE_DAYS days before today, are locked.
CREATE TABLE PERIOD_LOCK (
    ID             INTEGER PRIMARY KEY,
    LOCKED_THROUGH DATE,
    GRACE_DAYS     INTEGER
);

INSERT INTO PERIOD_LOCK (ID) VALUES (1);

-- The writes sent from a client's journal, by the unique ID each carries: a
-- write sent again after its answer was lost finds its ID here and changes
-- nothing. WORK_ID is the interval it made or changed.
CREATE TABLE APPLIED_WRITES (
    WRITE_ID VARCHAR(36) NOT NULL PRIMARY KEY,
    WORK_ID  INTEGER
);
