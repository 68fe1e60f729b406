"""The test bridge: a WebSocket server whose every connection is one open
port of the browser's stand-in serial, joined to a fresh simulated gimbal
(gimbal-sim) on a pseudo-terminal. What the gimbal received is recorded by
gimbal-sim into a folder when the connection ends."""

import asyncio
import atexit
import os
import shutil
import subprocess
import tempfile
import threading
import time
import tty

import websockets


def write_all(fd, data):
    while data:
        try:
            data = data[os.write(fd, data):]
        except BlockingIOError:
            time.sleep(0.001)


class Bridge:
    def __init__(self, simulator):
        self.simulator = simulator
        self.mode = "answer"  # "answer", "silent" (a gimbal that says nothing) or "busy"
        self.options = []  # more gimbal-sim options for the next connections
        self.records = []  # one folder per connection, in order
        atexit.register(lambda: [shutil.rmtree(f, ignore_errors=True) for f in self.records])
        self.current = None
        self.loop = asyncio.new_event_loop()
        ready = threading.Event()
        threading.Thread(target=self._run, args=(ready,), daemon=True).start()
        ready.wait()

    def _run(self, ready):
        asyncio.set_event_loop(self.loop)
        self.server = self.loop.run_until_complete(websockets.serve(self._serve, "127.0.0.1", 0))
        self.url = "ws://127.0.0.1:%d" % self.server.sockets[0].getsockname()[1]
        ready.set()
        self.loop.run_forever()

    def unplug(self):
        """The adapter goes away: the browser's port reports the device lost."""
        async def go():
            if self.current:
                await self.current.send("unplug")
                await self.current.close()
        asyncio.run_coroutine_threadsafe(go(), self.loop).result(5)

    def last_record(self, timeout=10):
        """The folder of the last connection, once it has ended and gimbal-sim has written it."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if (self.current is None and self.records and
                    os.path.exists(os.path.join(self.records[-1], "done"))):
                return self.records[-1]
            time.sleep(0.05)
        raise TimeoutError("gimbal-sim wrote no record")

    async def _serve(self, ws, path=None):
        if self.mode == "busy":
            await ws.send("busy")
            return
        folder = tempfile.mkdtemp(prefix="gimbal-web-")
        args = [self.simulator, "--record", folder] + self.options
        if self.mode == "silent":
            args.append("--silent")
        sim = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        pty_path = sim.stdout.readline().decode().strip()
        sim.stdout.close()
        fd = os.open(pty_path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        tty.setraw(fd)
        outgoing = asyncio.Queue()

        def readable():
            try:
                data = os.read(fd, 4096)
            except BlockingIOError:
                return
            except OSError:
                data = b""
            if data:
                outgoing.put_nowait(data)

        async def send_out():
            while True:
                await ws.send(await outgoing.get())

        self.loop.add_reader(fd, readable)
        sender = asyncio.ensure_future(send_out())
        self.current = ws
        await ws.send("open")
        try:
            async for message in ws:
                if isinstance(message, bytes):
                    write_all(fd, message)
        except websockets.ConnectionClosed:
            pass
        finally:
            sender.cancel()
            self.loop.remove_reader(fd)
            os.close(fd)
            sim.terminate()
            sim.wait()
            self.records.append(folder)
            if self.current is ws:
                self.current = None
