// The web panel of matrixd: one crosspoint grid per matrix, switched by click, tap or keyboard,
// kept live by the events of /api/v1/events. Served by matrixd itself; no build step.
'use strict';

const panel = {
  token: sessionStorage.getItem('matrixd-token') || '',
  matrices: new Map(), // name -> {info, buttons[input][output], section, link}
  socket: null,
  retry: 500,
};

const $ = (id) => document.getElementById(id);

function say(text) {
  $('message').textContent = text;
}

function label(kind, number, name) {
  const tag = (kind === 'in' ? 'IN' : 'OUT') + String(number).padStart(2, '0');
  return { short: name || tag, full: name ? `${tag}: ${name}` : tag };
}

function askForToken(note) {
  const form = $('token-form');
  form.hidden = false;
  $('token-note').textContent = note || '';
  $('connection').textContent = 'Token needed';
  $('token').focus();
}

async function api(method, path, body) {
  const headers = {};
  if (panel.token) headers.Authorization = 'Bearer ' + panel.token;
  const init = { method, headers, cache: 'no-store' };
  if (body !== undefined) {
    headers['Content-Type'] = 'application/json';
    init.body = JSON.stringify(body);
  }
  const response = await fetch('/api/v1' + path, init);
  let data = null;
  try { data = await response.json(); } catch (e) { data = null; }
  if (response.status === 401) {
    askForToken(panel.token ? 'That token was refused.' : '');
    throw new Error('token');
  }
  return { status: response.status, data };
}

function buttonLabel(input, output, joined) {
  return `Input ${input} to output ${output}` + (joined ? ', joined' : '');
}

function setJoined(matrix, output, input) {
  const m = panel.matrices.get(matrix);
  if (!m || output < 1 || output > m.info.size) return;
  for (let i = 1; i <= m.info.size; i++) {
    const button = m.buttons[i][output];
    const joined = i === input;
    if (button.classList.contains('joined') !== joined) {
      button.classList.toggle('joined', joined);
      button.setAttribute('aria-label', buttonLabel(i, output, joined));
    }
  }
}

function setLink(matrix, state) {
  const m = panel.matrices.get(matrix);
  if (!m) return;
  m.link.textContent = 'link ' + state;
  m.link.className = 'link ' + state;
}

async function switchCrosspoint(matrix, input, output, button) {
  button.classList.add('pending');
  say('');
  try {
    const { status, data } = await api('PUT', `/matrices/${matrix}/outputs/${output}`, { input });
    if (status === 200) {
      setJoined(matrix, output, input);
    } else {
      if (status === 409 && data && data.input) setJoined(matrix, output, data.input);
      say(`${matrix}: ${data && data.error ? data.error : 'answer ' + status}`);
    }
  } catch (e) {
    if (e.message !== 'token') say(`${matrix}: the service cannot be reached`);
  } finally {
    button.classList.remove('pending');
  }
}

// Arrow keys move over the grid (one stop in the Tab order), Home and End go to the first and
// last input; Enter and Space press the button as a click does.
function moveFocus(m, event) {
  const { input, output } = event.target.dataset;
  let i = Number(input);
  let o = Number(output);
  const size = m.info.size;
  switch (event.key) {
    case 'ArrowUp': i = Math.max(1, i - 1); break;
    case 'ArrowDown': i = Math.min(size, i + 1); break;
    case 'ArrowLeft': o = Math.max(1, o - 1); break;
    case 'ArrowRight': o = Math.min(size, o + 1); break;
    case 'Home': i = 1; break;
    case 'End': i = size; break;
    default: return;
  }
  event.preventDefault();
  event.target.tabIndex = -1;
  const next = m.buttons[i][o];
  next.tabIndex = 0;
  next.focus();
}

function light(m, input, output, on) {
  m.rows[input].classList.toggle('lit', on);
  m.columns[output].classList.toggle('lit', on);
}

function renderMatrix(info) {
  const section = document.createElement('section');
  section.setAttribute('aria-labelledby', `matrix-${info.name}`);
  const head = document.createElement('div');
  head.className = 'matrix-head';
  const title = document.createElement('h2');
  title.id = `matrix-${info.name}`;
  title.textContent = info.name;
  const facts = document.createElement('span');
  facts.className = 'facts';
  facts.textContent = `${info.type} ${info.size} × ${info.size}, device ${info.address}`;
  const link = document.createElement('span');
  link.setAttribute('role', 'status');
  head.append(title, facts, link);

  const scroller = document.createElement('div');
  scroller.className = 'scroller';
  const table = document.createElement('table');
  table.setAttribute('aria-label', `Crosspoints of ${info.name}: inputs are rows, outputs columns`);
  const thead = table.createTHead();
  const headRow = thead.insertRow();
  const corner = document.createElement('th');
  corner.className = 'corner';
  corner.textContent = 'In \\ Out';
  headRow.append(corner);
  const m = { info, buttons: [], rows: [], columns: [], section, link };
  for (let o = 1; o <= info.size; o++) {
    const th = document.createElement('th');
    th.scope = 'col';
    const name = label('out', o, info.outputs[o - 1] && info.outputs[o - 1].name);
    th.textContent = name.short;
    th.title = name.full;
    headRow.append(th);
    m.columns[o] = th;
  }
  const tbody = table.createTBody();
  for (let i = 1; i <= info.size; i++) {
    const row = tbody.insertRow();
    const th = document.createElement('th');
    th.scope = 'row';
    const name = label('in', i, info.inputs[i - 1] && info.inputs[i - 1].name);
    th.textContent = name.short;
    th.title = name.full;
    row.append(th);
    m.rows[i] = th;
    m.buttons[i] = [];
    for (let o = 1; o <= info.size; o++) {
      const cell = row.insertCell();
      const button = document.createElement('button');
      button.type = 'button';
      button.dataset.input = i;
      button.dataset.output = o;
      button.tabIndex = i === 1 && o === 1 ? 0 : -1;
      button.setAttribute('aria-label', buttonLabel(i, o, false));
      button.addEventListener('click', () => switchCrosspoint(info.name, i, o, button));
      button.addEventListener('keydown', (event) => moveFocus(m, event));
      button.addEventListener('focus', () => light(m, i, o, true));
      button.addEventListener('blur', () => light(m, i, o, false));
      button.addEventListener('pointerenter', () => light(m, i, o, true));
      button.addEventListener('pointerleave', () => light(m, i, o, false));
      cell.append(button);
      m.buttons[i][o] = button;
    }
  }
  scroller.append(table);
  section.append(head, scroller);
  panel.matrices.set(info.name, m);
  setLink(info.name, info.state);
  for (const c of info.crosspoints) setJoined(info.name, c.output, c.input);
  return section;
}

async function load() {
  try {
    const list = await api('GET', '/matrices');
    if (list.status !== 200) throw new Error(String(list.status));
    const sections = [];
    panel.matrices.clear();
    for (const summary of list.data) {
      const detail = await api('GET', `/matrices/${summary.name}`);
      if (detail.status === 200) sections.push(renderMatrix(detail.data));
    }
    $('matrices').replaceChildren(...sections);
    $('token-form').hidden = true;
    $('connection').textContent = 'Connected';
    listen();
  } catch (e) {
    if (e.message !== 'token') {
      $('connection').textContent = 'The service cannot be reached; trying again';
      setTimeout(load, 3000);
    }
  }
}

// Once the events flow, what changed before they did is read afresh.
async function refresh() {
  try {
    for (const name of panel.matrices.keys()) {
      const detail = await api('GET', `/matrices/${name}`);
      if (detail.status !== 200) continue;
      setLink(name, detail.data.state);
      for (const c of detail.data.crosspoints) setJoined(name, c.output, c.input);
    }
    $('connection').textContent = 'Live';
  } catch (e) {
    if (e.message !== 'token') $('connection').textContent = 'The service cannot be reached';
  }
}

function listen() {
  if (panel.socket) return;
  const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
  const query = panel.token ? '?token=' + encodeURIComponent(panel.token) : '';
  const socket = new WebSocket(`${scheme}//${location.host}/api/v1/events${query}`);
  panel.socket = socket;
  socket.addEventListener('open', () => {
    panel.retry = 500;
    refresh();
  });
  socket.addEventListener('message', (message) => {
    let event;
    try { event = JSON.parse(message.data); } catch (e) { return; }
    if (event.event === 'crosspoint') setJoined(event.matrix, event.output, event.input);
    else if (event.event === 'link') setLink(event.matrix, event.state);
  });
  socket.addEventListener('close', () => {
    panel.socket = null;
    $('connection').textContent = 'Reconnecting…';
    // What changed meanwhile is read afresh.
    setTimeout(load, panel.retry);
    panel.retry = Math.min(panel.retry * 2, 10000);
  });
}

$('token-form').addEventListener('submit', (event) => {
  event.preventDefault();
  panel.token = $('token').value.trim();
  sessionStorage.setItem('matrixd-token', panel.token);
  $('token').value = '';
  load();
});

load();
