-- Version 1 of the schema, as databases made before version 2 hold it: the
-- records tests upgrade it in place.

-- The factory's unit records, written by `gimbalctl station --db`: one row per
-- unit, keyed by the station's name and its journal's sequence number, so that
-- a record sent twice is kept once. A station creates this schema on first use
-- when its role may; a database administrator may apply this file by hand
-- instead (psql -f units-schema.sql). units_schema_version() says which schema
-- the database holds: a station refuses a database of another version.

CREATE TABLE IF NOT EXISTS units (
    station        text             NOT NULL,  -- --station-id, by default the host name
    sequence       bigint           NOT NULL,  -- the record's number in its station's journal
    time           timestamptz      NOT NULL,  -- when the unit finished
    port           text,
    slot           text,                       -- the fixture's slot, when the station knows it
    slot_label     text,
    node           text,
    by_id          text,
    usb_serial     text,
    file           text,                       -- the firmware file's name
    file_size      bigint,
    file_sha256    text,
    version_before text,
    version_after  text,
    verified       boolean,                    -- the version read back matched the file
    result         text,
    status         integer,                    -- gimbalctl's exit status for the unit: 0 is done
    status_word    text,
    detail         text,
    seconds        double precision,
    gimbalctl      text,                       -- the version of the station's gimbalctl
    record         jsonb            NOT NULL,  -- the journal's line, whole
    received       timestamptz      NOT NULL DEFAULT now(),
    PRIMARY KEY (station, sequence)
);
CREATE INDEX IF NOT EXISTS units_time ON units (time);
CREATE INDEX IF NOT EXISTS units_file_time ON units (file, time);
CREATE INDEX IF NOT EXISTS units_failed_time ON units (time) WHERE status <> 0;

-- A unit counts as verified when its record says so, or, for a record that
-- carries no verdict, when its upgrade completed; failed when its status is not 0.
CREATE OR REPLACE VIEW unit_yield_by_day AS
SELECT (time AT TIME ZONE current_setting('TimeZone'))::date AS day,
       station,
       file,
       count(*) AS units,
       count(*) FILTER (WHERE coalesce(verified, status = 0)) AS verified,
       count(*) FILTER (WHERE status <> 0) AS failed,
       round(count(*) FILTER (WHERE coalesce(verified, status = 0)) * 100.0 / count(*), 1)
           AS yield_percent
FROM units
GROUP BY 1, 2, 3;

-- The slots that fail most first; a slot is the port when the record names no slot.
CREATE OR REPLACE VIEW unit_failures_by_slot AS
SELECT station,
       coalesce(slot, port) AS slot,
       count(*) AS units,
       count(*) FILTER (WHERE coalesce(verified, status = 0)) AS verified,
       count(*) FILTER (WHERE status <> 0) AS failed,
       round(count(*) FILTER (WHERE coalesce(verified, status = 0)) * 100.0 / count(*), 1)
           AS yield_percent,
       max(time) FILTER (WHERE status <> 0) AS last_failure
FROM units
GROUP BY 1, 2
ORDER BY failed DESC, yield_percent, station, slot;

CREATE OR REPLACE FUNCTION units_schema_version() RETURNS integer
    LANGUAGE sql IMMUTABLE AS 'SELECT 1';
