<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>Gimbal Service Tool</source>
        <translation>Gimbal-Servicewerkzeug</translation>
    </message>
    <message>
        <source>Gimbal service tool</source>
        <translation>Gimbal-Servicewerkzeug</translation>
    </message>
    <message>
        <source>Main window contents</source>
        <translation>Inhalt des Hauptfensters</translation>
    </message>
    <message>
        <source>Tool area</source>
        <translation>Werkzeugbereich</translation>
    </message>
    <message>
        <source>Serial port:</source>
        <translation>Serieller Anschluss:</translation>
    </message>
    <message>
        <source>Pick a searched port or type a device path, for example /dev/ttyUSB0</source>
        <translation>Einen gefundenen Anschluss wählen oder einen Gerätepfad eingeben, zum Beispiel /dev/ttyUSB0</translation>
    </message>
    <message>
        <source>Serial port path</source>
        <translation>Pfad des seriellen Anschlusses</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>List the serial ports present</source>
        <translation>Die vorhandenen seriellen Anschlüsse auflisten</translation>
    </message>
    <message>
        <source>Search for serial ports</source>
        <translation>Serielle Anschlüsse suchen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Open port</source>
        <translation>Anschluss öffnen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close port</source>
        <translation>Anschluss schließen</translation>
    </message>
    <message>
        <source>Firmware Upgrade</source>
        <translation>Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>Show the firmware upgrade page (Ctrl+1)</source>
        <translation>Die Seite Firmware-Aktualisierung zeigen (Strg+1)</translation>
    </message>
    <message>
        <source>Show firmware upgrade</source>
        <translation>Firmware-Aktualisierung zeigen</translation>
    </message>
    <message>
        <source>Attitude Calibration</source>
        <translation>Lagekalibrierung</translation>
    </message>
    <message>
        <source>Show the attitude calibration page (Ctrl+2)</source>
        <translation>Die Seite Lagekalibrierung zeigen (Strg+2)</translation>
    </message>
    <message>
        <source>Show attitude calibration</source>
        <translation>Lagekalibrierung zeigen</translation>
    </message>
    <message>
        <source>Joystick Calibration</source>
        <translation>Joystick-Kalibrierung</translation>
    </message>
    <message>
        <source>Show the joystick calibration page (Ctrl+3)</source>
        <translation>Die Seite Joystick-Kalibrierung zeigen (Strg+3)</translation>
    </message>
    <message>
        <source>Show joystick calibration</source>
        <translation>Joystick-Kalibrierung zeigen</translation>
    </message>
    <message>
        <source>Function pages</source>
        <translation>Funktionsseiten</translation>
    </message>
    <message>
        <source>Firmware upgrade page</source>
        <translation>Seite Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>Firmware file:</source>
        <translation>Firmware-Datei:</translation>
    </message>
    <message>
        <source>Firmware file path</source>
        <translation>Pfad der Firmware-Datei</translation>
    </message>
    <message>
        <source>No file chosen</source>
        <translation>Keine Datei gewählt</translation>
    </message>
    <message>
        <source>Open File…</source>
        <translation>Datei öffnen…</translation>
    </message>
    <message>
        <source>Choose firmware file</source>
        <translation>Firmware-Datei wählen</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Start firmware upgrade</source>
        <translation>Firmware-Aktualisierung starten</translation>
    </message>
    <message>
        <source>Upgrade progress</source>
        <translation>Fortschritt der Aktualisierung</translation>
    </message>
    <message>
        <source>Messages:</source>
        <translation>Meldungen:</translation>
    </message>
    <message>
        <source>Message log</source>
        <translation>Meldungsprotokoll</translation>
    </message>
    <message>
        <source>Attitude calibration page</source>
        <translation>Seite Lagekalibrierung</translation>
    </message>
    <message>
        <source>Init Gyro</source>
        <translation>Gyroskop initialisieren</translation>
    </message>
    <message>
        <source>Initialise gyroscope</source>
        <translation>Gyroskop initialisieren</translation>
    </message>
    <message>
        <source>Calibrate Acc</source>
        <translation>Beschleunigungssensor kalibrieren</translation>
    </message>
    <message>
        <source>Calibrate accelerometer</source>
        <translation>Beschleunigungssensor kalibrieren</translation>
    </message>
    <message>
        <source>Read Acc</source>
        <translation>Beschl. lesen</translation>
    </message>
    <message>
        <source>Read accelerometer</source>
        <translation>Beschleunigungssensor lesen</translation>
    </message>
    <message>
        <source>Reset Parameters</source>
        <translation>Parameter zurücksetzen</translation>
    </message>
    <message>
        <source>Reset parameters</source>
        <translation>Parameter zurücksetzen</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Alles speichern</translation>
    </message>
    <message>
        <source>Save all parameters</source>
        <translation>Alle Parameter speichern</translation>
    </message>
    <message>
        <source>Read Version</source>
        <translation>Version lesen</translation>
    </message>
    <message>
        <source>Read hardware and firmware versions</source>
        <translation>Hardware- und Firmware-Version lesen</translation>
    </message>
    <message>
        <source>Message:</source>
        <translation>Meldung:</translation>
    </message>
    <message>
        <source>Attitude message</source>
        <translation>Meldung der Lagekalibrierung</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Clear attitude message</source>
        <translation>Meldung der Lagekalibrierung leeren</translation>
    </message>
    <message>
        <source>Gyroscope</source>
        <translation>Gyroskop</translation>
    </message>
    <message>
        <source>Gyroscope values</source>
        <translation>Werte des Gyroskops</translation>
    </message>
    <message>
        <source>X:</source>
        <translation>X:</translation>
    </message>
    <message>
        <source>Gyroscope X</source>
        <translation>Gyroskop X</translation>
    </message>
    <message>
        <source>Y:</source>
        <translation>Y:</translation>
    </message>
    <message>
        <source>Gyroscope Y</source>
        <translation>Gyroskop Y</translation>
    </message>
    <message>
        <source>Z:</source>
        <translation>Z:</translation>
    </message>
    <message>
        <source>Gyroscope Z</source>
        <translation>Gyroskop Z</translation>
    </message>
    <message>
        <source>Accelerometer</source>
        <translation>Beschleunigungssensor</translation>
    </message>
    <message>
        <source>Accelerometer values</source>
        <translation>Werte des Beschleunigungssensors</translation>
    </message>
    <message>
        <source>Accelerometer X</source>
        <translation>Beschleunigungssensor X</translation>
    </message>
    <message>
        <source>Accelerometer Y</source>
        <translation>Beschleunigungssensor Y</translation>
    </message>
    <message>
        <source>Accelerometer Z</source>
        <translation>Beschleunigungssensor Z</translation>
    </message>
    <message>
        <source>Joystick calibration page</source>
        <translation>Seite Joystick-Kalibrierung</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Oben</translation>
    </message>
    <message>
        <source>Capture joystick up</source>
        <translation>Joystick oben erfassen</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Capture joystick left</source>
        <translation>Joystick links erfassen</translation>
    </message>
    <message>
        <source>Middle</source>
        <translation>Mitte</translation>
    </message>
    <message>
        <source>Capture joystick middle</source>
        <translation>Joystick Mitte erfassen</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Capture joystick right</source>
        <translation>Joystick rechts erfassen</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Unten</translation>
    </message>
    <message>
        <source>Capture joystick down</source>
        <translation>Joystick unten erfassen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save joystick calibration</source>
        <translation>Joystick-Kalibrierung speichern</translation>
    </message>
    <message>
        <source>Help&lt;&lt;</source>
        <translation>Hilfe&lt;&lt;</translation>
    </message>
    <message>
        <source>Show or hide the joystick calibration help</source>
        <translation>Die Hilfe zur Joystick-Kalibrierung zeigen oder verbergen</translation>
    </message>
    <message>
        <source>Joystick calibration help</source>
        <translation>Hilfe zur Joystick-Kalibrierung</translation>
    </message>
    <message>
        <source>Joystick message</source>
        <translation>Meldung der Joystick-Kalibrierung</translation>
    </message>
    <message>
        <source>Clear joystick message</source>
        <translation>Meldung der Joystick-Kalibrierung leeren</translation>
    </message>
    <message>
        <source>Value 1:</source>
        <translation>Wert 1:</translation>
    </message>
    <message>
        <source>Joystick value 1</source>
        <translation>Joystick-Wert 1</translation>
    </message>
    <message>
        <source>Value 2:</source>
        <translation>Wert 2:</translation>
    </message>
    <message>
        <source>Joystick value 2</source>
        <translation>Joystick-Wert 2</translation>
    </message>
    <message>
        <source>Help panel separator</source>
        <translation>Trennlinie der Hilfe</translation>
    </message>
    <message>
        <source>Joystick calibration help text</source>
        <translation>Hilfetext zur Joystick-Kalibrierung</translation>
    </message>
    <message>
        <source>Main menu</source>
        <translation>Hauptmenü</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>&amp;Werkzeuge</translation>
    </message>
    <message>
        <source>Tools menu</source>
        <translation>Menü Werkzeuge</translation>
    </message>
    <message>
        <source>Save Log…</source>
        <translation>Protokoll speichern…</translation>
    </message>
    <message>
        <source>Save the message log as a UTF-8 text file</source>
        <translation>Das Meldungsprotokoll als UTF-8-Textdatei speichern</translation>
    </message>
    <message>
        <source>Copy Log</source>
        <translation>Protokoll kopieren</translation>
    </message>
    <message>
        <source>Copy the whole message log to the clipboard</source>
        <translation>Das ganze Meldungsprotokoll in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Send test pattern</source>
        <translation>Testmuster senden</translation>
    </message>
    <message>
        <source>Write the fixed 255-byte line test pattern to the open port</source>
        <translation>Das feste 255-Byte-Leitungstestmuster an den offenen Anschluss schreiben</translation>
    </message>
    <message>
        <source>Ctrl+1</source>
        <translation>Ctrl+1</translation>
    </message>
    <message>
        <source>Ctrl+2</source>
        <translation>Ctrl+2</translation>
    </message>
    <message>
        <source>Ctrl+3</source>
        <translation>Ctrl+3</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>Releases from:</source>
        <translation>Releases von:</translation>
    </message>
    <message>
        <source>Release source address</source>
        <translation>Adresse der Release-Quelle</translation>
    </message>
    <message>
        <source>https://… or a folder</source>
        <translation>https://… oder ein Ordner</translation>
    </message>
    <message>
        <source>List Releases</source>
        <translation>Releases auflisten</translation>
    </message>
    <message>
        <source>List firmware releases</source>
        <translation>Firmware-Releases auflisten</translation>
    </message>
    <message>
        <source>Fetch and verify the source&apos;s signed list of releases</source>
        <translation>Die signierte Release-Liste der Quelle abrufen und verifizieren</translation>
    </message>
    <message>
        <source>Firmware releases</source>
        <translation>Firmware-Releases</translation>
    </message>
    <message>
        <source>Newest first; choose one, then Use Release</source>
        <translation>Neueste zuerst; eines wählen, dann Release verwenden</translation>
    </message>
    <message>
        <source>Use Release</source>
        <translation>Release verwenden</translation>
    </message>
    <message>
        <source>Load chosen release</source>
        <translation>Gewähltes Release laden</translation>
    </message>
    <message>
        <source>Fetch, verify and load the chosen release</source>
        <translation>Das gewählte Release abrufen, verifizieren und laden</translation>
    </message>
</context>
<context>
    <name>UartToolCtrl</name>
    <message>
        <source>Calibration of the joystick

1.Power off the Gimbal, connect the gimbal to the computer via the USB cable, and then run the calibrate software. Open the correct serial port.

2.Release the joystick(the joystick is in the middle position),click the &quot;Middle&quot; button, two value are returned and both two value&apos;s range are from 1700 to 2300. 

3.Push the joystick to top and hold on, click the &quot;Up&quot; button, one value is returned and it&apos;s range is from 0 to 600.

4.Push the joystick to bottom and hold on, click the &quot;Down&quot; button, one value is returned and it&apos;s range is from 3700 to 4100.

5.Push the joystick to ultimate left and hold on, click the &quot;Left&quot; button, one value is returned and it&apos;s range is from 0 to 600.

6.Push the joystick to ultimate right and hold on, click the &quot;Right&quot; button, one value is returned and it&apos;s range is from 3700 to 4100.

7.Finally click the &quot;Save&quot; button, and the software display &quot;save successfully&quot; means the joystick calibration is completed.
</source>
        <translation>Kalibrierung des Joysticks

1. Das Gimbal ausschalten, über das USB-Kabel mit dem Computer verbinden und dann das Kalibrierprogramm starten. Den richtigen seriellen Anschluss öffnen.

2. Den Joystick loslassen (er steht in der Mitte) und auf „Mitte“ klicken: Zwei Werte kommen zurück, beide zwischen 1700 und 2300.

3. Den Joystick ganz nach oben drücken und halten, auf „Oben“ klicken: Ein Wert kommt zurück, zwischen 0 und 600.

4. Den Joystick ganz nach unten drücken und halten, auf „Unten“ klicken: Ein Wert kommt zurück, zwischen 3700 und 4100.

5. Den Joystick ganz nach links drücken und halten, auf „Links“ klicken: Ein Wert kommt zurück, zwischen 0 und 600.

6. Den Joystick ganz nach rechts drücken und halten, auf „Rechts“ klicken: Ein Wert kommt zurück, zwischen 3700 und 4100.

7. Zum Schluss auf „Speichern“ klicken: Zeigt das Programm „erfolgreich gespeichert“, ist die Kalibrierung des Joysticks abgeschlossen.
</translation>
    </message>
    <message>
        <source>Help&lt;&lt;</source>
        <translation>Hilfe&lt;&lt;</translation>
    </message>
    <message>
        <source>Help&gt;&gt;</source>
        <translation>Hilfe&gt;&gt;</translation>
    </message>
    <message>
        <source>Save log</source>
        <translation>Protokoll speichern</translation>
    </message>
    <message>
        <source>Log file chooser</source>
        <translation>Auswahl der Protokolldatei</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>Textdateien (*.txt)</translation>
    </message>
    <message>
        <source>The log was not saved: %1</source>
        <translation>Das Protokoll wurde nicht gespeichert: %1</translation>
    </message>
    <message>
        <source>Open serial succeed</source>
        <translation>Serieller Anschluss geöffnet</translation>
    </message>
    <message>
        <source>Open serial fail</source>
        <translation>Serieller Anschluss nicht geöffnet</translation>
    </message>
    <message>
        <source>%1 was unplugged</source>
        <translation>%1 wurde getrennt</translation>
    </message>
    <message>
        <source>Open firmware file</source>
        <translation>Firmware-Datei öffnen</translation>
    </message>
    <message>
        <source>Firmware file chooser</source>
        <translation>Auswahl der Firmware-Datei</translation>
    </message>
    <message>
        <source>plov file</source>
        <translation>plov-Datei</translation>
    </message>
    <message>
        <source>plov file (*.plov *.1plov *.2plov *.3plov)</source>
        <translation>plov-Datei (*.plov *.1plov *.2plov *.3plov)</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Usage: gimbal-tool [--help] [--version]

Service tool for a camera gimbal: firmware upgrade of its boards, attitude
and joystick calibration, over a USB serial adapter. It opens a window and
needs a desktop session (or ssh -X); without one, the web page or gimbalctl
do the same work. gimbal-sim serves a simulated gimbal.

  -h, --help  show this help and exit
  --version   show the version and exit
</source>
        <translation>Aufruf: gimbal-tool [--help] [--version]

Servicewerkzeug für ein Kamera-Gimbal: Firmware-Aktualisierung seiner Platinen,
Lage- und Joystick-Kalibrierung, über einen USB-Seriell-Adapter. Es öffnet ein
Fenster und braucht eine Desktop-Sitzung (oder ssh -X); ohne sie erledigen die
Webseite oder gimbalctl dieselbe Arbeit. gimbal-sim stellt ein simuliertes
Gimbal bereit.

  -h, --help  diese Hilfe zeigen und beenden
  --version   die Version zeigen und beenden
</translation>
    </message>
    <message>
        <source>%1: no display found. Start it from a desktop session or over `ssh -X`, or use the web page in Chrome or Edge (gimbalctl does the same work in a terminal).
</source>
        <translation>%1: keine Anzeige gefunden. Aus einer Desktop-Sitzung oder über `ssh -X` starten, oder die Webseite in Chrome oder Edge verwenden (gimbalctl erledigt dieselbe Arbeit in einem Terminal).
</translation>
    </message>
</context>
<context>
    <name>screen</name>
    <message>
        <source>Gimbal station</source>
        <translation>Gimbal-Station</translation>
    </message>
    <message>
        <source>Connecting to the station…</source>
        <translation>Verbindung zur Station wird aufgebaut…</translation>
    </message>
    <message>
        <source>Firmware and tally</source>
        <translation>Firmware und Zählung</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>, version</source>
        <translation>, Version</translation>
    </message>
    <message>
        <source>, SHA-256</source>
        <translation>, SHA-256</translation>
    </message>
    <message>
        <source>Upgraded</source>
        <translation>Aktualisiert</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Verifiziert</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
    <message>
        <source>Records waiting</source>
        <translation>Wartende Datensätze</translation>
    </message>
    <message>
        <source>Slots</source>
        <translation>Steckplätze</translation>
    </message>
    <message>
        <source>No unit plugged in yet.</source>
        <translation>Noch kein Gerät eingesteckt.</translation>
    </message>
    <message>
        <source>Last finished units</source>
        <translation>Zuletzt fertige Geräte</translation>
    </message>
    <message>
        <source>None yet.</source>
        <translation>Noch keine.</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>wartet</translation>
    </message>
    <message>
        <source>upgrading</source>
        <translation>wird aktualisiert</translation>
    </message>
    <message>
        <source>verified</source>
        <translation>verifiziert</translation>
    </message>
    <message>
        <source>upgraded</source>
        <translation>aktualisiert</translation>
    </message>
    <message>
        <source>skipped</source>
        <translation>übersprungen</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>unterbrochen</translation>
    </message>
    <message>
        <source>refused file</source>
        <translation>Datei abgelehnt</translation>
    </message>
    <message>
        <source>bad input</source>
        <translation>ungültige Eingabe</translation>
    </message>
    <message>
        <source>port failed</source>
        <translation>Anschlussfehler</translation>
    </message>
    <message>
        <source>gimbal failed</source>
        <translation>Gimbal-Fehler</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>keine Antwort</translation>
    </message>
    <message>
        <source>lost upgrade</source>
        <translation>Aktualisierung ohne Ergebnis</translation>
    </message>
    <message>
        <source>write failed</source>
        <translation>Schreiben fehlgeschlagen</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>Station back</source>
        <translation>Station wieder da</translation>
    </message>
    <message>
        <source>Station gone</source>
        <translation>Station nicht erreichbar</translation>
    </message>
    <message>
        <source>Station gone: no word from it since %1. This page reconnects by itself.</source>
        <translation>Station nicht erreichbar: keine Nachricht seit %1. Diese Seite verbindet sich von selbst neu.</translation>
    </message>
    <message>
        <source>Stopping: no new units; the upgrades in progress finish.</source>
        <translation>Wird beendet: keine neuen Geräte; laufende Aktualisierungen laufen noch zu Ende.</translation>
    </message>
    <message>
        <source>Station running</source>
        <translation>Station läuft</translation>
    </message>
    <message>
        <source>upgrading %1</source>
        <translation>%1 wird aktualisiert</translation>
    </message>
    <message>
        <source>Slot %1: %2</source>
        <translation>Steckplatz %1: %2</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Wartet</translation>
    </message>
    <message>
        <source>Upgrading %1 %2%</source>
        <translation>%1 wird aktualisiert: %2 %</translation>
    </message>
    <message>
        <source>Slot %1 progress</source>
        <translation>Fortschritt Steckplatz %1</translation>
    </message>
    <message>
        <source>%1, status %2 (%3), %4</source>
        <translation>%1, Status %2 (%3), %4</translation>
    </message>
    <message>
        <source>started %1</source>
        <translation>%1 gestartet</translation>
    </message>
    <message>
        <source>%1, status %2, %3</source>
        <translation>%1, Status %2, %3</translation>
    </message>
    <message>
        <source>just now</source>
        <translation>gerade eben</translation>
    </message>
    <message>
        <source>%1 s ago</source>
        <translation>vor %1 s</translation>
    </message>
    <message>
        <source>%1 min ago</source>
        <translation>vor %1 min</translation>
    </message>
    <message>
        <source>%1 h %2 min ago</source>
        <translation>vor %1 h %2 min</translation>
    </message>
    <message>
        <source>The gimbal was in its boot loader</source>
        <translation>Das Gimbal war in seinem Bootloader</translation>
    </message>
</context>
<context>
    <name>site</name>
    <message>
        <source>Gimbal Service Tool</source>
        <translation>Gimbal-Servicewerkzeug</translation>
    </message>
    <message>
        <source>New version</source>
        <translation>Neue Version</translation>
    </message>
    <message>
        <source>A new version is ready</source>
        <translation>Eine neue Version ist bereit</translation>
    </message>
    <message>
        <source>Reload into the new version</source>
        <translation>Mit der neuen Version neu laden</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Neu laden</translation>
    </message>
    <message>
        <source>This page needs Web Serial: open it in Chrome or Edge (version 89 or later) on a desktop computer, over HTTPS. Firefox and Safari do not have it.</source>
        <translation>Diese Seite braucht Web Serial: in Chrome oder Edge (Version 89 oder neuer) auf einem Desktop-Computer über HTTPS öffnen. Firefox und Safari haben es nicht.</translation>
    </message>
    <message>
        <source>Gimbal service tool</source>
        <translation>Gimbal-Servicewerkzeug</translation>
    </message>
    <message>
        <source>Tool area</source>
        <translation>Werkzeugbereich</translation>
    </message>
    <message>
        <source>Serial port:</source>
        <translation>Serieller Anschluss:</translation>
    </message>
    <message>
        <source>Serial port path</source>
        <translation>Pfad des seriellen Anschlusses</translation>
    </message>
    <message>
        <source>Pick a port the browser granted, or choose a new one</source>
        <translation>Einen vom Browser freigegebenen Anschluss wählen oder einen neuen auswählen</translation>
    </message>
    <message>
        <source>Search for serial ports</source>
        <translation>Serielle Anschlüsse suchen</translation>
    </message>
    <message>
        <source>Choose a serial port in the browser&apos;s list</source>
        <translation>Einen seriellen Anschluss in der Liste des Browsers wählen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Open port</source>
        <translation>Anschluss öffnen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Close port</source>
        <translation>Anschluss schließen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Tools menu</source>
        <translation>Menü Werkzeuge</translation>
    </message>
    <message>
        <source>Save the message log as a UTF-8 text file (Ctrl+S)</source>
        <translation>Das Meldungsprotokoll als UTF-8-Textdatei speichern (Strg+S)</translation>
    </message>
    <message>
        <source>Save Log…</source>
        <translation>Protokoll speichern…</translation>
    </message>
    <message>
        <source>Copy the whole message log to the clipboard</source>
        <translation>Das ganze Meldungsprotokoll in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Copy Log</source>
        <translation>Protokoll kopieren</translation>
    </message>
    <message>
        <source>Functions</source>
        <translation>Funktionen</translation>
    </message>
    <message>
        <source>Show firmware upgrade</source>
        <translation>Firmware-Aktualisierung zeigen</translation>
    </message>
    <message>
        <source>Show the firmware upgrade page (Ctrl+1)</source>
        <translation>Die Seite Firmware-Aktualisierung zeigen (Strg+1)</translation>
    </message>
    <message>
        <source>Firmware Upgrade</source>
        <translation>Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>Show attitude calibration</source>
        <translation>Lagekalibrierung zeigen</translation>
    </message>
    <message>
        <source>Show the attitude calibration page (Ctrl+2)</source>
        <translation>Die Seite Lagekalibrierung zeigen (Strg+2)</translation>
    </message>
    <message>
        <source>Attitude Calibration</source>
        <translation>Lagekalibrierung</translation>
    </message>
    <message>
        <source>Show joystick calibration</source>
        <translation>Joystick-Kalibrierung zeigen</translation>
    </message>
    <message>
        <source>Show the joystick calibration page (Ctrl+3)</source>
        <translation>Die Seite Joystick-Kalibrierung zeigen (Strg+3)</translation>
    </message>
    <message>
        <source>Joystick Calibration</source>
        <translation>Joystick-Kalibrierung</translation>
    </message>
    <message>
        <source>Function pages</source>
        <translation>Funktionsseiten</translation>
    </message>
    <message>
        <source>Firmware upgrade page</source>
        <translation>Seite Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>Firmware file:</source>
        <translation>Firmware-Datei:</translation>
    </message>
    <message>
        <source>Firmware file path</source>
        <translation>Pfad der Firmware-Datei</translation>
    </message>
    <message>
        <source>No file chosen</source>
        <translation>Keine Datei gewählt</translation>
    </message>
    <message>
        <source>Choose firmware file</source>
        <translation>Firmware-Datei wählen</translation>
    </message>
    <message>
        <source>Open File…</source>
        <translation>Datei öffnen…</translation>
    </message>
    <message>
        <source>Start firmware upgrade</source>
        <translation>Firmware-Aktualisierung starten</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Upgrade progress</source>
        <translation>Fortschritt der Aktualisierung</translation>
    </message>
    <message>
        <source>Messages:</source>
        <translation>Meldungen:</translation>
    </message>
    <message>
        <source>Message log</source>
        <translation>Meldungsprotokoll</translation>
    </message>
    <message>
        <source>Attitude calibration page</source>
        <translation>Seite Lagekalibrierung</translation>
    </message>
    <message>
        <source>Initialise gyroscope</source>
        <translation>Gyroskop initialisieren</translation>
    </message>
    <message>
        <source>Init Gyro</source>
        <translation>Gyroskop initialisieren</translation>
    </message>
    <message>
        <source>Calibrate accelerometer</source>
        <translation>Beschleunigungssensor kalibrieren</translation>
    </message>
    <message>
        <source>Calibrate Acc</source>
        <translation>Beschleunigungssensor kalibrieren</translation>
    </message>
    <message>
        <source>Read accelerometer</source>
        <translation>Beschleunigungssensor lesen</translation>
    </message>
    <message>
        <source>Read Acc</source>
        <translation>Beschl. lesen</translation>
    </message>
    <message>
        <source>Reset parameters</source>
        <translation>Parameter zurücksetzen</translation>
    </message>
    <message>
        <source>Reset Parameters</source>
        <translation>Parameter zurücksetzen</translation>
    </message>
    <message>
        <source>Save all parameters</source>
        <translation>Alle Parameter speichern</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Alles speichern</translation>
    </message>
    <message>
        <source>Read hardware and firmware versions</source>
        <translation>Hardware- und Firmware-Version lesen</translation>
    </message>
    <message>
        <source>Read Version</source>
        <translation>Version lesen</translation>
    </message>
    <message>
        <source>Message:</source>
        <translation>Meldung:</translation>
    </message>
    <message>
        <source>Attitude message</source>
        <translation>Meldung der Lagekalibrierung</translation>
    </message>
    <message>
        <source>Clear attitude message</source>
        <translation>Meldung der Lagekalibrierung leeren</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Gyroscope values</source>
        <translation>Werte des Gyroskops</translation>
    </message>
    <message>
        <source>Gyroscope</source>
        <translation>Gyroskop</translation>
    </message>
    <message>
        <source>X:</source>
        <translation>X:</translation>
    </message>
    <message>
        <source>Gyroscope X</source>
        <translation>Gyroskop X</translation>
    </message>
    <message>
        <source>Y:</source>
        <translation>Y:</translation>
    </message>
    <message>
        <source>Gyroscope Y</source>
        <translation>Gyroskop Y</translation>
    </message>
    <message>
        <source>Z:</source>
        <translation>Z:</translation>
    </message>
    <message>
        <source>Gyroscope Z</source>
        <translation>Gyroskop Z</translation>
    </message>
    <message>
        <source>Accelerometer values</source>
        <translation>Werte des Beschleunigungssensors</translation>
    </message>
    <message>
        <source>Accelerometer</source>
        <translation>Beschleunigungssensor</translation>
    </message>
    <message>
        <source>Accelerometer X</source>
        <translation>Beschleunigungssensor X</translation>
    </message>
    <message>
        <source>Accelerometer Y</source>
        <translation>Beschleunigungssensor Y</translation>
    </message>
    <message>
        <source>Accelerometer Z</source>
        <translation>Beschleunigungssensor Z</translation>
    </message>
    <message>
        <source>Joystick calibration page</source>
        <translation>Seite Joystick-Kalibrierung</translation>
    </message>
    <message>
        <source>Capture joystick up</source>
        <translation>Joystick oben erfassen</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Oben</translation>
    </message>
    <message>
        <source>Capture joystick left</source>
        <translation>Joystick links erfassen</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Capture joystick middle</source>
        <translation>Joystick Mitte erfassen</translation>
    </message>
    <message>
        <source>Middle</source>
        <translation>Mitte</translation>
    </message>
    <message>
        <source>Capture joystick right</source>
        <translation>Joystick rechts erfassen</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Capture joystick down</source>
        <translation>Joystick unten erfassen</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Unten</translation>
    </message>
    <message>
        <source>Save joystick calibration</source>
        <translation>Joystick-Kalibrierung speichern</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Joystick calibration help</source>
        <translation>Hilfe zur Joystick-Kalibrierung</translation>
    </message>
    <message>
        <source>Show or hide the joystick calibration help</source>
        <translation>Die Hilfe zur Joystick-Kalibrierung zeigen oder verbergen</translation>
    </message>
    <message>
        <source>Help&gt;&gt;</source>
        <translation>Hilfe&gt;&gt;</translation>
    </message>
    <message>
        <source>Joystick message</source>
        <translation>Meldung der Joystick-Kalibrierung</translation>
    </message>
    <message>
        <source>Clear joystick message</source>
        <translation>Meldung der Joystick-Kalibrierung leeren</translation>
    </message>
    <message>
        <source>Value 1:</source>
        <translation>Wert 1:</translation>
    </message>
    <message>
        <source>Joystick value 1</source>
        <translation>Joystick-Wert 1</translation>
    </message>
    <message>
        <source>Value 2:</source>
        <translation>Wert 2:</translation>
    </message>
    <message>
        <source>Joystick value 2</source>
        <translation>Joystick-Wert 2</translation>
    </message>
    <message>
        <source>Help panel separator</source>
        <translation>Trennlinie der Hilfe</translation>
    </message>
    <message>
        <source>Joystick calibration help text</source>
        <translation>Hilfetext zur Joystick-Kalibrierung</translation>
    </message>
    <message>
        <source>Calibration of the joystick

1.Power off the Gimbal, connect the gimbal to the computer via the USB cable, and then run the calibrate software. Open the correct serial port.

2.Release the joystick(the joystick is in the middle position),click the &quot;Middle&quot; button, two value are returned and both two value&apos;s range are from 1700 to 2300. 

3.Push the joystick to top and hold on, click the &quot;Up&quot; button, one value is returned and it&apos;s range is from 0 to 600.

4.Push the joystick to bottom and hold on, click the &quot;Down&quot; button, one value is returned and it&apos;s range is from 3700 to 4100.

5.Push the joystick to ultimate left and hold on, click the &quot;Left&quot; button, one value is returned and it&apos;s range is from 0 to 600.

6.Push the joystick to ultimate right and hold on, click the &quot;Right&quot; button, one value is returned and it&apos;s range is from 3700 to 4100.

7.Finally click the &quot;Save&quot; button, and the software display &quot;save successfully&quot; means the joystick calibration is completed.
</source>
        <translation>Kalibrierung des Joysticks

1. Das Gimbal ausschalten, über das USB-Kabel mit dem Computer verbinden und dann das Kalibrierprogramm starten. Den richtigen seriellen Anschluss öffnen.

2. Den Joystick loslassen (er steht in der Mitte) und auf „Mitte“ klicken: Zwei Werte kommen zurück, beide zwischen 1700 und 2300.

3. Den Joystick ganz nach oben drücken und halten, auf „Oben“ klicken: Ein Wert kommt zurück, zwischen 0 und 600.

4. Den Joystick ganz nach unten drücken und halten, auf „Unten“ klicken: Ein Wert kommt zurück, zwischen 3700 und 4100.

5. Den Joystick ganz nach links drücken und halten, auf „Links“ klicken: Ein Wert kommt zurück, zwischen 0 und 600.

6. Den Joystick ganz nach rechts drücken und halten, auf „Rechts“ klicken: Ein Wert kommt zurück, zwischen 3700 und 4100.

7. Zum Schluss auf „Speichern“ klicken: Zeigt das Programm „erfolgreich gespeichert“, ist die Kalibrierung des Joysticks abgeschlossen.
</translation>
    </message>
    <message>
        <source>This page must be served, not opened as a file: in its folder run</source>
        <translation>Diese Seite muss von einem Server kommen, nicht als Datei geöffnet werden: In ihrem Ordner ausführen:</translation>
    </message>
    <message>
        <source>and open http://127.0.0.1:8080, or put the folder on any HTTPS web server.</source>
        <translation>und http://127.0.0.1:8080 öffnen, oder den Ordner auf einen beliebigen HTTPS-Webserver legen.</translation>
    </message>
    <message>
        <source>Open serial succeed</source>
        <translation>Serieller Anschluss geöffnet</translation>
    </message>
    <message>
        <source>Open serial fail</source>
        <translation>Serieller Anschluss nicht geöffnet</translation>
    </message>
    <message>
        <source>%1 was unplugged</source>
        <translation>%1 wurde getrennt</translation>
    </message>
    <message>
        <source>Help&lt;&lt;</source>
        <translation>Hilfe&lt;&lt;</translation>
    </message>
    <message>
        <source>The page&apos;s worker could not start: upgrades may slow down while this tab is hidden.
</source>
        <translation>Der Worker der Seite konnte nicht starten: Aktualisierungen können langsamer werden, solange dieser Tab verborgen ist.
</translation>
    </message>
    <message>
        <source>Choose a port…</source>
        <translation>Anschluss wählen…</translation>
    </message>
    <message>
        <source>No serial port was chosen: choose the gimbal&apos;s USB serial adapter in the browser&apos;s list, or plug it in, then press Open again.</source>
        <translation>Kein serieller Anschluss gewählt: Den USB-Seriell-Adapter des Gimbals in der Liste des Browsers wählen oder ihn einstecken, dann erneut auf Öffnen drücken.</translation>
    </message>
    <message>
        <source>The port could not be opened: another program or browser tab is using it. Close that program or tab (or unplug and replug the adapter), then press Open again.</source>
        <translation>Der Anschluss konnte nicht geöffnet werden: Ein anderes Programm oder ein anderer Browser-Tab benutzt ihn. Dieses Programm oder diesen Tab schließen (oder den Adapter aus- und wieder einstecken), dann erneut auf Öffnen drücken.</translation>
    </message>
    <message>
        <source>The port is already open in this browser.</source>
        <translation>Der Anschluss ist in diesem Browser schon geöffnet.</translation>
    </message>
    <message>
        <source>The browser did not allow the port to be opened.</source>
        <translation>Der Browser hat das Öffnen des Anschlusses nicht erlaubt.</translation>
    </message>
    <message>
        <source>The port could not be opened: %1</source>
        <translation>Der Anschluss konnte nicht geöffnet werden: %1</translation>
    </message>
    <message>
        <source>Releases from:</source>
        <translation>Releases von:</translation>
    </message>
    <message>
        <source>Release source address</source>
        <translation>Adresse der Release-Quelle</translation>
    </message>
    <message>
        <source>releases/ beside this page</source>
        <translation>releases/ neben dieser Seite</translation>
    </message>
    <message>
        <source>List firmware releases</source>
        <translation>Firmware-Releases auflisten</translation>
    </message>
    <message>
        <source>Fetch and verify the source&apos;s signed list of releases</source>
        <translation>Die signierte Release-Liste der Quelle abrufen und verifizieren</translation>
    </message>
    <message>
        <source>List Releases</source>
        <translation>Releases auflisten</translation>
    </message>
    <message>
        <source>Firmware releases</source>
        <translation>Firmware-Releases</translation>
    </message>
    <message>
        <source>Newest first; choose one, then Use Release</source>
        <translation>Neueste zuerst; eines wählen, dann Release verwenden</translation>
    </message>
    <message>
        <source>Load chosen release</source>
        <translation>Gewähltes Release laden</translation>
    </message>
    <message>
        <source>Fetch, verify and load the chosen release</source>
        <translation>Das gewählte Release abrufen, verifizieren und laden</translation>
    </message>
    <message>
        <source>Use Release</source>
        <translation>Release verwenden</translation>
    </message>
    <message>
        <source>The page&apos;s worker ended: the page now runs the line itself; open the port again.
</source>
        <translation>Der Worker der Seite wurde beendet: Die Seite bedient die Leitung jetzt selbst; den Anschluss erneut öffnen.
</translation>
    </message>
    <message>
        <source>The page&apos;s worker ended mid-upgrade: the upgrade stopped; open the port and upgrade again.
</source>
        <translation>Der Worker der Seite wurde während der Aktualisierung beendet: Die Aktualisierung wurde abgebrochen; den Anschluss öffnen und erneut aktualisieren.
</translation>
    </message>
    <message>
        <source>%1: redirected to another host (%2); refused</source>
        <translation>%1: auf einen anderen Host umgeleitet (%2); abgelehnt</translation>
    </message>
    <message>
        <source>%1: HTTP %2</source>
        <translation>%1: HTTP %2</translation>
    </message>
    <message>
        <source>%1: larger than %2 bytes; refused</source>
        <translation>%1: größer als %2 Bytes; abgelehnt</translation>
    </message>
    <message>
        <source>%1 cannot be reached: %2</source>
        <translation>%1 ist nicht erreichbar: %2</translation>
    </message>
    <message>
        <source>no verified %1 from %2: list its releases first</source>
        <translation>keine verifizierte Datei %1 von %2: zuerst deren Releases auflisten</translation>
    </message>
</context>
</TS>
