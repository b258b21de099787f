// A W3C WebDriver client over plain HTTP, for the engines that puppeteer does
// not drive (WebKitGTK, through WebKitWebDriver and its MiniBrowser). It offers
// the part of puppeteer's Browser and Page that the browser tests use: a page
// in the session's one window, navigation, evaluation, polling for a
// condition, the viewport, keys held and let go, and the mouse.
'use strict';
const { spawn } = require('child_process');
const http = require('http');
const net = require('net');

// A free port on the loopback.
function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// One command: the value of the answer, or an error with the driver's message.
function command(port, method, path, body) {
  const data = body === undefined ? null : Buffer.from(JSON.stringify(body));
  return new Promise((resolve, reject) => {
    const req = http.request({
      host: '127.0.0.1', port, method, path,
      headers: data ? { 'Content-Type': 'application/json', 'Content-Length': data.length } : {},
    }, res => {
      const chunks = [];
      res.on('data', chunk => chunks.push(chunk));
      res.on('end', () => {
        let answer;
        try {
          answer = JSON.parse(Buffer.concat(chunks).toString('utf8') || '{}');
        } catch (e) {
          reject(new Error(`WebDriver ${method} ${path}: an answer that is not JSON (${res.statusCode})`));
          return;
        }
        const value = answer.value === undefined ? null : answer.value;
        if (res.statusCode >= 400 || (value && value.error)) {
          reject(new Error(`WebDriver ${method} ${path}: ${value && value.error}: ${value && value.message}`));
        } else {
          resolve(value);
        }
      });
    });
    req.on('error', reject);
    if (data) req.write(data);
    req.end();
  });
}

// The key values of the keys the tests press (WebDriver's table of key codes);
// any other key is its one character.
const KEYS = {
  Enter: '\uE007', Escape: '\uE00C', Shift: '\uE008', Space: ' ', Backspace: '\uE003', Tab: '\uE004',
  ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014', ArrowDown: '\uE015',
};

function keyValue(key) {
  if (KEYS[key] !== undefined) return KEYS[key];
  if (key.length === 1) return key;
  throw new Error(`webdriver: no key value for ${key}`);
}

// The script that runs fn (a function or the text of an expression) with args.
function script(fn) {
  return typeof fn === 'function' ? `return (${fn}).apply(null, arguments);` : `return (${fn});`;
}

class Page {
  constructor(session) {
    this.session = session;
    this.errors = [];
    this.keyboard = {
      down: key => this.session.actions([{ type: 'key', id: 'keys', actions: [{ type: 'keyDown', value: keyValue(key) }] }]),
      up: key => this.session.actions([{ type: 'key', id: 'keys', actions: [{ type: 'keyUp', value: keyValue(key) }] }]),
    };
    const pointer = actions => this.session.actions([{
      type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions,
    }]);
    const move = (x, y) => ({ type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport', duration: 0 });
    // WebKitWebDriver's presses and releases of a button do not reach a page
    // whose element holds the pointer locked (its moves do): there, the
    // button's events are given to that element as the browser would.
    const button = async (type, buttons) => {
      const locked = await this.evaluate((type, buttons) => {
        const target = document.pointerLockElement;
        if (!target) return false;
        target.dispatchEvent(new MouseEvent(type, { bubbles: true, cancelable: true, composed: true,
                                                    view: window, button: 0, buttons }));
        return true;
      }, type, buttons);
      if (!locked) await pointer([{ type: type === 'mousedown' ? 'pointerDown' : 'pointerUp', button: 0 }]);
    };
    this.mouse = {
      move: (x, y) => pointer([move(x, y)]),
      down: () => button('mousedown', 1),
      up: () => button('mouseup', 0),
      click: async (x, y, options = {}) => {
        await pointer([move(x, y)]);
        await button('mousedown', 1);
        await sleep(options.delay || 0);
        await button('mouseup', 0);
      },
    };
  }

  goto(url) {
    return this.session.command('POST', '/url', { url });
  }

  evaluate(fn, ...args) {
    return this.session.command('POST', '/execute/sync', { script: script(fn), args });
  }

  // Polls the condition until it holds; puppeteer's options (timeout, polling).
  async waitForFunction(fn, options = {}, ...args) {
    const timeout = options.timeout === undefined ? 30000 : options.timeout;
    const every = typeof options.polling === 'number' ? options.polling : 50;
    const until = Date.now() + timeout;
    for (;;) {
      const value = await this.evaluate(fn, ...args);
      if (value) return value;
      if (Date.now() >= until) throw new Error(`waiting failed: ${timeout} ms passed`);
      await sleep(every);
    }
  }

  // The window is sized so that its viewport has the size asked for.
  async setViewport({ width, height }) {
    const inner = await this.evaluate(() => [window.innerWidth, window.innerHeight]);
    const rect = await this.session.command('GET', '/window/rect');
    await this.session.command('POST', '/window/rect', {
      width: rect.width + width - inner[0], height: rect.height + height - inner[1],
    });
  }

  async $(selector) {
    const found = await this.evaluate(s => document.querySelector(s) !== null, selector);
    if (!found) return null;
    return {
      boundingBox: () => this.evaluate(s => {
        const r = document.querySelector(s).getBoundingClientRect();
        return { x: r.x, y: r.y, width: r.width, height: r.height };
      }, selector),
    };
  }

  focus(selector) {
    return this.evaluate(s => document.querySelector(s).focus(), selector);
  }

  // Page errors are not reported through WebDriver; none are collected.
  on() {}

  // Keys and buttons let go, and the page left, so that nothing of it runs on.
  async close() {
    await this.session.command('DELETE', '/actions').catch(() => {});
    await this.goto('about:blank');
  }
}

class Session {
  constructor(port, id) {
    this.port = port;
    this.id = id;
  }

  command(method, path, body) {
    return command(this.port, method, `/session/${this.id}${path}`, body);
  }

  actions(sources) {
    return this.command('POST', '/actions', { actions: sources });
  }
}

// The driver started on a free port, and a session of the browser it drives:
// launch({ driver, capabilities }) gives an object with newPage() and close().
async function launch({ driver, capabilities, env }) {
  const port = await freePort();
  const child = spawn(driver, [`--port=${port}`], { stdio: ['ignore', 'ignore', 'pipe'], env: env || process.env });
  let said = '';
  child.stderr.on('data', chunk => { said += chunk; });
  const exited = new Promise(resolve => child.on('exit', code => resolve(code)));
  let ready = false;
  for (let i = 0; i < 100 && !ready && child.exitCode === null; ++i) {
    ready = await command(port, 'GET', '/status').then(status => status && status.ready !== false, () => false);
    if (!ready) await sleep(100);
  }
  if (!ready) {
    child.kill();
    throw new Error(`${driver} did not start: ${said.trim()}`);
  }
  let session;
  try {
    const created = await command(port, 'POST', '/session', { capabilities: { alwaysMatch: capabilities } });
    session = new Session(port, created.sessionId);
  } catch (e) {
    child.kill();
    throw e;
  }
  let page = null;
  return {
    // The session has one window: a new page is that window, navigated anew.
    async newPage() {
      page = new Page(session);
      return page;
    },
    async close() {
      await command(port, 'DELETE', `/session/${session.id}`).catch(() => {});
      child.kill();
      await exited;
    },
  };
}

module.exports = { launch };
