// The dedicated worker that holds the line and the core (link.js): the page
// chooses the port and shows what comes back; reading, answering, the block
// pauses and the upgrade's ticks go on here whatever the page's thread does.
// Web Serial reaches a dedicated worker as navigator.serial, with the ports
// the page was granted.
import createGimbalCore from './gimbal-core.mjs';
import { LinkRunner } from './link.js';

const runner = new LinkRunner(await createGimbalCore(), (event) => self.postMessage(event));
self.onmessage = ({ data }) => runner.handle(data);
self.postMessage({ ready: runner.constants });  // the core's periods, colours and texts
