// The game's service worker: it keeps the files the game page loads, so that
// after one visit the game starts without the network. The build writes the
// files in, each with its SHA-256, and names the cache after them all: a new
// build is a new worker, whose cache replaces the one before it.
// A file already in some cache with the right hash (the page keeps what it
// downloaded in vantorel17-loaded; an earlier build's cache may hold files that
// did not change) is taken from there instead of the network.
'use strict';
const FILES = @OFFLINE_FILES@;
const CACHE = 'vantorel17-@BUILD@';

function hex(buffer) {
  return Array.from(new Uint8Array(buffer), b => b.toString(16).padStart(2, '0')).join('');
}

async function cached(name, hash) {
  for (const key of await caches.keys()) {
    const found = await (await caches.open(key)).match(name);
    if (found && hex(await crypto.subtle.digest('SHA-256', await found.clone().arrayBuffer())) === hash)
      return found;
  }
  return null;
}

async function keep(cache, name, hash) {
  let response = await cached(name, hash);
  if (!response) {
    response = await fetch(new Request(name, { cache: 'reload' }));
    if (!response.ok) throw new Error(`${name}: ${response.status}`);
  }
  await cache.put(name, response);
}

self.addEventListener('install', event => {
  event.waitUntil((async () => {
    const cache = await caches.open(CACHE);
    await Promise.all(Object.entries(FILES).map(([name, hash]) => keep(cache, name, hash)));
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', event => {
  event.waitUntil((async () => {
    for (const key of await caches.keys())
      if (key.startsWith('vantorel17-') && key !== CACHE) await caches.delete(key);
    await self.clients.claim();
  })());
});

// The site's own files from the cache, whatever the address asks of the page
// (?input=...); the folder itself is its index.html. What the cache lacks (the
// other pages, files a browser without gzip unpacking loads) comes from the
// network and is kept too.
self.addEventListener('fetch', event => {
  const request = event.request;
  const url = new URL(request.url);
  if (request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith((async () => {
    const cache = await caches.open(CACHE);
    const key = url.pathname.endsWith('/') ? new URL('index.html', url).href : request;
    const hit = await cache.match(key, { ignoreSearch: true });
    if (hit) return hit;
    const response = await fetch(request);
    if (response.ok && response.type === 'basic') await cache.put(request, response.clone());
    return response;
  })());
});
