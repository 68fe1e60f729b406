-- The factory's unit records, written by `gimbalctl station --db`: one row per
-- unit, keyed by its journal's identity and its sequence number there, so that
-- a record sent twice is kept once and no two stations, journals or PCs ever
-- share a key. `gimbalctl records --init-db --db CONNINFO`, run as the
-- database's owner, applies this file (a station does too when its role may);
-- a database administrator may also apply it by hand (psql -f
-- units-schema.sql). It makes the schema, or upgrades an older one in place,
-- keeping every row. units_schema_version() says which schema the database
-- holds: a station refuses a database of another version.

-- Never over a newer schema.
DO $$
BEGIN
    IF to_regprocedure('units_schema_version()') IS NOT NULL THEN
        IF (SELECT units_schema_version()) > 2 THEN
            RAISE EXCEPTION 'the database''s units schema is version %, newer than this file''s (2)',
                units_schema_version();
        END IF;
    END IF;
END $$;

-- The journal key of a record from before journals had identities: one per
-- station name, as such records were keyed by their station's name.
CREATE OR REPLACE FUNCTION units_legacy_journal(station text) RETURNS uuid
    LANGUAGE sql IMMUTABLE AS $$SELECT md5('journal of station ' || station)::uuid$$;

-- Version 1 was keyed by the station's name and sequence number: its rows
-- keep their content under their legacy journal key.
DO $$
BEGIN
    IF to_regclass('units') IS NOT NULL AND NOT EXISTS (
            SELECT FROM pg_attribute
            WHERE attrelid = to_regclass('units') AND attname = 'journal' AND NOT attisdropped) THEN
        ALTER TABLE units ADD COLUMN journal uuid, ADD COLUMN station_uuid uuid;
        UPDATE units SET journal = units_legacy_journal(station);
        ALTER TABLE units ALTER COLUMN journal SET NOT NULL,
            DROP CONSTRAINT units_pkey, ADD PRIMARY KEY (journal, sequence);
    END IF;
END $$;

CREATE TABLE IF NOT EXISTS units (
    station        text             NOT NULL,  -- --station-id, by default the host name
    sequence       bigint           NOT NULL,  -- the record's number in its journal
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
    journal        uuid             NOT NULL,  -- the journal's identity (its first line)
    station_uuid   uuid,                       -- the station's identity; none before version 2
    PRIMARY KEY (journal, sequence)
);
CREATE INDEX IF NOT EXISTS units_time ON units (time);
CREATE INDEX IF NOT EXISTS units_file_time ON units (file, time);
CREATE INDEX IF NOT EXISTS units_failed_time ON units (time) WHERE status <> 0;

-- Records whose key the table already holds with other content: kept here,
-- each once, for a person to look at; the table keeps the first.
CREATE TABLE IF NOT EXISTS unit_conflicts (
    journal      uuid        NOT NULL,
    sequence     bigint      NOT NULL,
    station_uuid uuid,
    record       jsonb       NOT NULL,
    received     timestamptz NOT NULL DEFAULT now()
);
CREATE UNIQUE INDEX IF NOT EXISTS unit_conflicts_once
    ON unit_conflicts (journal, sequence, md5(record::text));

-- How a station sends records: the journal's and the station's identities
-- (none for records from before journals had them: each is then keyed by
-- units_legacy_journal of its station) and a JSON array of its records. A
-- record already there and identical is left as it is; one whose key holds
-- another record goes to unit_conflicts, and its key is returned the first
-- time. It runs as its owner, so that stations need no right on the tables.
DO $do$
BEGIN
    EXECUTE format($f$
CREATE OR REPLACE FUNCTION units_insert(of_journal uuid, of_station uuid, records jsonb)
    RETURNS TABLE (journal uuid, sequence bigint)
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = %I, pg_temp AS $body$
#variable_conflict use_column
DECLARE
    added bigint;
BEGIN
    INSERT INTO units (journal, station_uuid, station, sequence, time, port, slot, slot_label,
                       node, by_id, usb_serial, file, file_size, file_sha256, version_before,
                       version_after, verified, result, status, status_word, detail, seconds,
                       gimbalctl, record)
    SELECT coalesce(of_journal, units_legacy_journal(u.station)), of_station, u.station,
           u.sequence, u.time, u.port, u.slot, u.slot_label, u.node, u.by_id, u.usb_serial,
           u.file, u.file_size, u.file_sha256, u.version_before, u.version_after, u.verified,
           u.result, u.status, u.status_word, u.detail, u.seconds, u.gimbalctl, r
    FROM jsonb_array_elements(records) AS r, jsonb_populate_record(NULL::units, r) AS u
    ON CONFLICT ON CONSTRAINT units_pkey DO NOTHING;
    GET DIAGNOSTICS added = ROW_COUNT;
    IF added = jsonb_array_length(records) THEN
        RETURN;  -- all new: nothing to compare
    END IF;
    RETURN QUERY
    INSERT INTO unit_conflicts AS c (journal, sequence, station_uuid, record)
    SELECT k.journal, k.sequence, of_station, r
    FROM jsonb_array_elements(records) AS r,
         LATERAL (SELECT coalesce(of_journal, units_legacy_journal(r->>'station')) AS journal,
                         (r->>'sequence')::bigint AS sequence) AS k,
         units AS u
    WHERE u.journal = k.journal AND u.sequence = k.sequence AND u.record <> r
    ON CONFLICT (journal, sequence, md5(record::text)) DO NOTHING
    RETURNING c.journal, c.sequence;
END
$body$$f$, current_schema());
END $do$;
REVOKE ALL ON FUNCTION units_insert(uuid, uuid, jsonb) FROM PUBLIC;

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
    LANGUAGE sql IMMUTABLE AS 'SELECT 2';
